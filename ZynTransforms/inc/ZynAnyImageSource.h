#pragma once

#include "ZynFilenameAttribute.h"
#include "ZynOperation.h"
#include "ZynTransformAggregate.h"

// Turns a file name into a source of the right format: its setup opens the file by recognition,
// keeps the source a recogniser built as its one inner transform, and aliases its output "out"
// to that source's first output.
class ZynAnyImageSource : public ZynOperation,
                          public ZynTransformAggregate,
                          public ZynFilenameAttribute {
  public:
    ZynAnyImageSource();
    ZynAnyImageSource(const ZynAnyImageSource& other) = default;

    ZynTransformPtr clone() const override;
    void setupTransform() override;
};
