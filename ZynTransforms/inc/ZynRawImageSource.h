#pragma once

#include <cstdint>
#include <memory>

#include "ZynBufferInfo.h"
#include "ZynHardwareDesc.h"
#include "ZynRawImage.h"
#include "ZynRectFileSource.h"
#include "ZynSampleConverter.h"
#include "ZynSampleReader.h"

// Source of headerless sample files whose layout is described from outside: by setFile (which
// the text description's raw_img keys drive) or, for subclasses, by setFileInfo.
class ZynRawImageSource : public ZynRawImage, public ZynRectFileSource<ZynRawImageSource> {
  public:
    ZynRawImageSource();
    ZynRawImageSource(const std::wstring& fileName, bool keepOpen);
    // A copy has the layout and opens the file afresh at its own setup.
    ZynRawImageSource(const ZynRawImageSource& other) = default;
    ~ZynRawImageSource() override;

    // Organisation in setFile's numbering: 0 pixel-interleaved, 1 band-sequential,
    // 2 line-interleaved. A null colour space stands for one that suits the channels.
    void setFile(int organization, uint32_t width, uint32_t height, int channels,
                 ZynColorSpacePtr colorSpace, ZynDataType dataType, uint32_t offset,
                 const ZynHardwareDesc& hardware);
    void setFileInfo(ZynBufferInfoPtr fileLayout, uint32_t offset, const ZynHardwareDesc& hardware);

    void setupTransform() override;
    void saveDescription(std::ostream& out) const override;
    void loadDescription(std::istream& in) override;

    bool rectInfo(ZynOutputInfo& info) override;
    bool canFill(const ZynRectBuffer& buffer) override;
    void genRect(ZynRectBuffer& buffer) override;
    ZynColorSpacePtr rectColorSpace() override;
    // Each seek-and-read holds the file's lock; the rest runs concurrently.
    bool gainsFromConcurrentRequests() const override { return true; }
    bool wordsOutsideRequests() const override { return true; }

    const ZynBufferInfoPtr& fileLayout() const { return fileLayout_; }
    const ZynBufferInfoPtr& outputLayout() const { return outputLayout_; }
    uint32_t offset() const { return offset_; }
    // The file layout's kind: 0 pixel-interleaved, 1 line-interleaved, 2 band-sequential.
    int organization() const { return organization_; }
    const ZynHardwareDesc& hardware() const { return hardware_; }

  protected:
    // setFileInfo without asking for another setup: for setups that learn the layout.
    void applyFileInfo(ZynBufferInfoPtr fileLayout, uint32_t offset,
                       const ZynHardwareDesc& hardware);
    // Opens the file unless it is open; records the error and returns false when it cannot.
    bool openFile();
    void closeFiles() override { closeAndMarkClosed(); }
    void forgetFile() override { fileError_ = ZynError(); }
    // Opens the file for a request when a rendering pass closed it; ZynError 130 otherwise.
    void ensureOpenForReading();
    // The reader of the open file, taken under the file's lock: another request may be opening
    // the file.
    ZynSampleReader openReader();
    void setOutputLayout(ZynBufferInfoPtr layout) { outputLayout_ = std::move(layout); }
    void setFileError(const ZynError& error) { fileError_ = error; }
    void forgetLayout();

  private:
    void deriveOutputLayout();
    ZynSampleReader reader() const;
    void checkLineFitsFile();

    ZynBufferInfoPtr fileLayout_;
    ZynBufferInfoPtr outputLayout_;
    uint32_t offset_ = 0;
    int organization_ = 0;
    ZynHardwareDesc hardware_ = nativeHWD;
    ZynBufferConverter converter_ = nullptr;
    ZynError fileError_;
    ZynError attributeError_;
};
