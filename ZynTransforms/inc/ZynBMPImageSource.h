#pragma once

#include "ZynBMPHeader.h"
#include "ZynRawImageSource.h"

// Source of uncompressed 8- and 24-bit Windows bitmaps: the raw source over the layout the
// bitmap header describes, with a reader of bottom-up rows that expands colour palettes.
class ZynBMPImageSource : public ZynRawImageSource {
  public:
    ZynBMPImageSource() = default;
    ZynBMPImageSource(const std::wstring& fileName, bool keepOpen);
    // A copy reads the header afresh at its own setup.
    ZynBMPImageSource(const ZynBMPImageSource& other);
    ~ZynBMPImageSource() override;

    static ZynTransformPtr recognize(const std::wstring& fileName, FILE* file, bool keepOpen);

    ZynTransformPtr clone() const override;
    void setupTransform() override;
    void saveDescription(std::ostream& out) const override;
    void loadDescription(std::istream& in) override;

    bool canFill(const ZynRectBuffer& buffer) override;
    void genRect(ZynRectBuffer& buffer) override;
    // Outside the image it only knows that it fills whole rows.
    bool wordsOutsideRequests() const override { return false; }

    const ZynBMPHeader& header() const { return header_; }

  protected:
    void forgetFile() override;

  private:
    static bool hasSignature(FILE* file);
    void readBitmap();
    bool expands() const { return header_.hasPalette && !header_.isGrey; }
    // Address of the lowest sample of row y of the buffer.
    std::byte* rowStart(const ZynRectBuffer& buffer, int64_t y) const;
    void expandRow(const uint8_t* indices, ZynRectBuffer& buffer, int64_t y) const;

    ZynBMPHeader header_;
};
