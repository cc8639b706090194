#pragma once

#include <functional>
#include <memory>
#include <mutex>

#include "JpdDecoder.h"
#include "ZynJpegBandCache.h"
#include "ZynJpegImageSourceOpBase.h"

// Decodes a JPEG file in full-width bands at one of four DCT scales. Decoding is sequential:
// bands passed on the way to a request are kept until they are asked for, and a request above
// the decoder's position starts the decoder again from the top of the file.
class ZynJpegImageSourceOpImpl : public ZynJpegImageSourceOpBase {
  public:
    ZynJpegImageSourceOpImpl();
    ~ZynJpegImageSourceOpImpl() override;

    bool outputInfo(ZynOutputInfo& info) override;
    bool canFill(const ZynRectBuffer& buffer) override;
    void genRect(ZynRectBuffer& buffer) override;
    ZynColorSpacePtr getColorSpace() override;

    void setColorSpaceName(const std::string& name) override;
    void setDctMethod(ZynDCTMethod::dctMethod method) override;
    bool quantTable(int component, std::vector<uint16_t>& table) override;
    bool iccProfile(std::vector<uint8_t>& profile) override;
    bool displayResolution(uint16_t& x, uint16_t& y, uint8_t& unit) override;

    // Selects a resolution; decoding state of another one is dropped.
    void useResolution(int16_t index);

    // How often decoding started from the top of the file (a test hook).
    int decoderStarts() const { return decoderStarts_; }

  protected:
    // Reads the header and lists the four scaled sizes; false with the error recorded.
    bool readHeader();
    // Runs `decode` with the input ready for the decoder, under the implementation's locks.
    virtual void withInput(const std::function<void()>& decode) = 0;
    // Goes back to the start of the input before decoding starts again from the top.
    virtual void resetInput() = 0;
    // Replaces the decoder by a new one of the implementation's kind.
    void newDecoder(JpdImplementation implementation);
    JpdDecoder& decoder() { return *decoder_; }
    bool hasDecoder() const { return decoder_ != nullptr; }
    std::string headerError(int status) const;
    // The input as error texts name it.
    virtual std::string inputName() const { return "JPEG stream"; }
    // The settings another implementation on the same file starts from.
    void copySettingsTo(ZynJpegImageSourceOpImpl& other) const;

  private:
    void decode(ZynRectBuffer& buffer, const ZynRect& rect);
    void startDecoder();
    // Why the image whose header was read is not worth decoding (over the budget, or far too
    // short for what it claims); empty when it is.
    std::string decodeRefusal() const;
    void readLines(uint8_t* destination, int lines, ptrdiff_t lineStride);
    void stopDecoding();
    JpdColorSpace deliveredColorSpace() const;
    int outputBands() const;

    std::unique_ptr<JpdDecoder> decoder_;
    JpdColorSpace outputColorSpace_ = JpdColorSpace::Other;
    std::string colorSpaceName_;
    ZynDCTMethod::dctMethod dctMethod_ = ZynDCTMethod::DCT_ISLOW;
    ZynColorSpacePtr colorSpace_;
    uint32_t nextLine_ = 0;
    ZynJpegBandCache bands_;
    std::vector<uint8_t> skipLine_;
    int decoderStarts_ = 0;
    std::mutex mutex_;
};
