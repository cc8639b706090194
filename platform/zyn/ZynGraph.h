#pragma once

#include "ZynRect.h"
#include "ZynRectBuffer.h"
#include "ZynTransform.h"

// Entry points of the rendering engine for hosts.
class ZynGraph {
  public:
    // Runs the pending setups of `transform` and of everything feeding it, inputs first; an
    // aggregate's inner transforms are set up after the aggregate. Setups are serialised.
    static void ensureSetup(ZynTransform& transform);

    // Whether the transform is healthy after its pending setups.
    static bool statusOK(ZynTransform& transform);

    // One rendering pass: pending setups, then the buffer's rectangle of output `outputIndex` at
    // `resolution`, then postRender on every transform of the graph once no other pass is
    // using it. Throws the transform's recorded error when its setup failed.
    static void render(ZynTransform& transform, int outputIndex, const ZynResolution& resolution,
                       ZynRectBuffer& buffer);

    // Every transform `root` renders from, root first.
    static std::vector<ZynTransform*> closure(ZynTransform& root);
};
