#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "ZynFile.h"
#include "ZynImageSourceOp.h"
#include "ZynTileCache.h"

// What the three PNG ops share. Their decoders deliver rows top to bottom only: strips passed over
// on the way to a request are kept (within the tile cache budget), and a request above the
// decoder's position that is not kept restarts the decode from the top. Interlaced images are
// decoded whole, every pass over every row.
class ZynPNGImageSourceOpBase : public ZynFile, public ZynImageSourceOp {
  public:
    bool outputInfo(ZynOutputInfo& info) override;
    // Full-width rows, in the op's sample type and band count, packed pixel by pixel.
    bool canFill(const ZynRectBuffer& buffer) override;
    void genRect(ZynRectBuffer& buffer) override;
    ZynColorSpacePtr getColorSpace() override { return colorSpace_; }

    void close() override;

    // The colour space of decoded rows of 1 to 4 channels (null otherwise); 16-bit samples
    // have the range 0 to 32760.
    static ZynColorSpacePtr colorSpaceFor(int channels, int bitDepth);

  protected:
    ZynPNGImageSourceOpBase(const std::wstring& fileName, bool keepOpen);

    // The image the op offers; its native tile is a strip of `stripHeight` rows.
    void describe(uint32_t width, uint32_t height, int bands, ZynDataType type,
                  uint32_t stripHeight, ZynColorSpacePtr colorSpace);
    // The decoder is at row 0, running `passes` interlace passes.
    void decoderStarted(int passes);

    // The steps of a decode, run under the op's lock; each throws ZynError on failure.
    // Back to row 0; ends with decoderStarted.
    virtual void restartDecoder() = 0;
    // The next `count` rows, complete.
    virtual void decodeRows(uint8_t** rows, uint32_t count) = 0;
    // After the last row: reads the rest of the stream and lets the file go.
    virtual void finishDecoding() = 0;
    // Releases the file; the decoder keeps its place when it can.
    virtual void closeFile() = 0;
    // The first words of the text that refuses a buffer.
    virtual std::string bufferRequirements() const = 0;

    std::mutex mutex_;

  private:
    bool rowsFillable(const ZynRectBuffer& buffer) const;
    ZynError refusal(const ZynRect& rect) const;
    void restart();
    void finish();
    void decodeInterlaced(ZynRectBuffer& buffer);
    void decodeSequential(ZynRectBuffer& buffer);
    // Brings the decoder to `row`, keeping the whole strips it passes.
    void advanceTo(uint32_t row);
    std::shared_ptr<ZynRectBuffer> newStrip(uint32_t strip) const;
    ZynRect stripRect(uint32_t strip) const;
    bool copyCached(ZynRectBuffer& buffer);
    void decodeInto(std::vector<uint8_t*>& rows);

    uint32_t width_ = 0;
    uint32_t height_ = 0;
    int bands_ = 0;
    ZynDataType type_ = ZynDataType::UInt8;
    uint32_t stripHeight_ = 1;
    ZynColorSpacePtr colorSpace_;
    ZynDataOrgPtr stripOrg_;

    bool started_ = false;
    int passes_ = 1;
    uint32_t nextRow_ = 0;
    ZynTileCache strips_;
    std::vector<uint8_t> scratchRow_;
};
