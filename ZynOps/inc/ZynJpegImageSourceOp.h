#pragma once

#include <memory>

#include "ZynFile.h"
#include "ZynJpegFileSourceOp.h"
#include "ZynJpegImageSourceOpBase.h"

// The op the JPEG source hands out: it owns the decoding op of the implementation the platform
// selects and serves one resolution through it.
class ZynJpegImageSourceOp : public ZynJpegImageSourceOpBase, public ZynFile {
    struct Key {};

  public:
    // The main op: resolution 0 of the file; the file is closed again unless kept open.
    ZynJpegImageSourceOp(const std::wstring& fileName, bool keepOpen);
    ZynJpegImageSourceOp(Key, std::unique_ptr<ZynJpegFileSourceOp> implementation, bool keepOpen);

    // An op on the same file, with the same settings and its own decoder, serving `index`.
    std::shared_ptr<ZynJpegImageSourceOp> forResolution(int16_t index) const;

    bool outputInfo(ZynOutputInfo& info) override;
    bool canFill(const ZynRectBuffer& buffer) override;
    void genRect(ZynRectBuffer& buffer) override;
    ZynColorSpacePtr getColorSpace() override;

    void setColorSpaceName(const std::string& name) override;
    void setDctMethod(ZynDCTMethod::dctMethod method) override;
    bool quantTable(int component, std::vector<uint16_t>& table) override;
    bool iccProfile(std::vector<uint8_t>& profile) override;
    bool displayResolution(uint16_t& x, uint16_t& y, uint8_t& unit) override;

    void close() override;
    bool open() override;

    ZynJpegFileSourceOp& implementation() { return *impl_; }

  private:
    // Opens the implementation and takes over its resolutions, or its error.
    bool openImplementation();
    ZynJpegFileSourceOp& selected();

    std::unique_ptr<ZynJpegFileSourceOp> impl_;
};
