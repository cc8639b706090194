#pragma once

#include <memory>
#include <string>

#include "ZynError.h"
#include "ZynImageFileSource.h"
#include "ZynImageOutputCP.h"
#include "ZynRectSource.h"
#include "ZynRectSourceOp.h"

// A file source that fills rectangles itself, in front of the engine through one
// ZynRectSourceOp: the op is made when a setup first publishes the image and dropped with the
// file name, and the files close after each rendering pass unless "keep_open". A copy opens the
// files afresh at its own setup.
template <class Derived>
class ZynRectFileSource : public ZynImageFileSource, public ZynRectSource {
  public:
    ZynRectFileSource() = default;
    ZynRectFileSource(const std::wstring& fileName, bool keepOpen)
        : ZynImageFileSource(fileName, keepOpen) {}
    ZynRectFileSource(const ZynRectFileSource& other)
        : ZynTransform(other), ZynImageFileSource(other), ZynRectSource(other) {}

    ZynTransformPtr clone() const override {
        return std::make_shared<Derived>(static_cast<const Derived&>(*this));
    }

    void fileNameChanged() override {
        closeFiles();
        forgetFile();
        op_.reset();
        markForSetup();
    }

    ZynImageOpPtr opForResolution(int outputIndex, const ZynResolution& resolution) override {
        const ZynImageOutputCP* out = imageOutput(outputIndex);
        if (!op_ || !out || !out->coordSpace() || !out->coordSpace()->hasResolution(resolution))
            throw ZynError(3, "Unsupported resolution");
        return op_;
    }

    void postRender() override { closeUnlessKeptOpen(); }

  protected:
    virtual void closeFiles() = 0;
    // Forgets what was read from the previous file.
    virtual void forgetFile() = 0;

    void closeUnlessKeptOpen() {
        if (!keepOpen()) closeFiles();
    }

    // Publishes the one resolution the source offers, read through its op.
    void publishRect(ZynColorSpacePtr colorSpace, ZynCoordSpacePtr coordSpace,
                     ZynDataOrgPtr dataOrg) {
        if (!op_) op_ = std::make_shared<ZynRectSourceOp>(*this);
        publishOutput(std::move(colorSpace), std::move(coordSpace), std::move(dataOrg));
    }

  private:
    std::shared_ptr<ZynRectSourceOp> op_;
};
