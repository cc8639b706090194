#pragma once

#include <cstdint>
#include <memory>

#include "ZynImageSourceOp.h"
#include "ZynJ2KFile.h"

// Renders one resolution level of a JP2 file with a given number of quality layers. It fills
// any rectangle of the level straight into the caller's buffer, whatever its layout, so the
// engine hands requests on whole and only the code-blocks they touch are decoded.
class ZynJ2KImageSourceOp : public ZynImageSourceOp {
  public:
    ZynJ2KImageSourceOp(std::shared_ptr<ZynJ2KFile> file, uint32_t level, uint32_t layers,
                        ZynColorSpacePtr colorSpace, ZynDataType dataType);

    bool outputInfo(ZynOutputInfo& info) override;
    void genRect(ZynRectBuffer& buffer) override;
    bool canFill(const ZynRectBuffer& buffer) override;
    ZynColorSpacePtr getColorSpace() override { return colorSpace_; }
    // Every request has a decoder of its own.
    bool gainsFromConcurrentRequests() const override { return true; }

  private:
    bool holdsSamples(const ZynSimpleDataOrg& org) const;
    bool insideLevel(const ZynRect& rect) const;
    ZynDataOrgPtr nativeTile() const;

    std::shared_ptr<ZynJ2KFile> file_;
    uint32_t level_;
    uint32_t layers_;
    ZynColorSpacePtr colorSpace_;
    ZynDataType dataType_;
    uint32_t width_;
    uint32_t height_;
};
