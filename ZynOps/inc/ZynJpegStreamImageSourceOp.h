#pragma once

#include <memory>

#include "QorStream.h"
#include "ZynJpegFileSourceOp.h"
#include "ZynResourceWrapper.h"

// Decodes through the support library's stream: the standard-library file of a local file, the
// stream itself for a URL. Ops of one file share the stream; each restores its own position
// before decoding, under the stream's lock.
class ZynJpegStreamImageSourceOp : public ZynJpegFileSourceOp {
  public:
    ZynJpegStreamImageSourceOp(const std::wstring& fileName, bool keepOpen);

    bool open() override;
    void close() override;
    std::unique_ptr<ZynJpegFileSourceOp> cloneFileOp() const override;

  protected:
    void withInput(const std::function<void()>& decode) override;
    void resetInput() override;

  private:
    using StreamHolder = ZynResourceWrapper<QorStream>;

    ZynJpegStreamImageSourceOp(const ZynJpegStreamImageSourceOp& other,
                               std::shared_ptr<StreamHolder> stream);
    // With the stream's lock held: creates the stream; false with the error recorded.
    bool openStream();
    void giveStreamToDecoder();
    int seekStream(uint64_t position);
    uint64_t tellStream() const;
    std::string streamErrorText() const;

    std::shared_ptr<StreamHolder> stream_;
    bool url_;
    uint64_t position_ = 0;
};
