#include "ZynRawImageSource.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <istream>
#include <ostream>
#include <sstream>

#include "QorString.h"
#include "ZynRawDescription.h"
#include "ZynRectSourceOp.h"
#include "ZynTransformDescription.h"

namespace {

// Keeps the total bytes of any layout, band-sequential ones included, well inside 64 bits.
constexpr uint64_t kMaxSamples = uint64_t{1} << 56;
// More channels than any instrument records; layouts keep an offset per channel.
constexpr int kMaxChannels = 65535;

ZynInterleave interleaveOfSetFile(int organization) {
    switch (organization) {
        case 0:
            return ZynInterleave::Pixel;
        case 1:
            return ZynInterleave::Band;
        case 2:
            return ZynInterleave::Line;
        default:
            throw ZynError(414, "unrecognized data org in ZynRawImageSource::setFile");
    }
}

// A colour space that suits the channels: RGB for three as always, Lum for one, generic else;
// the range of 8-bit samples, the type's own range for wider integers, 0 to 1 for floats.
ZynColorSpacePtr defaultColorSpace(int channels, ZynDataType type) {
    double low = 0.0, high = 255.0;
    if (type == ZynDataType::Float32 || type == ZynDataType::Float64) {
        high = 1.0;
    } else if (type != ZynDataType::UInt8) {
        low = zynNaturalMin(type);
        high = zynNaturalMax(type);
    }
    if (channels == 3) return std::make_shared<ZynRGBColorSpace>(low, high);
    if (channels == 1) return std::make_shared<ZynLumColorSpace>(low, high);
    return std::make_shared<ZynGenericColorSpace>(channels, low, high);
}

}  // namespace

ZynRawImageSource::ZynRawImageSource()
    : fileError_(130, "No filename on ZynRawImageSource"),
      attributeError_(130, "No file attributes defined for ZynRawImageSource") {}

ZynRawImageSource::ZynRawImageSource(const std::wstring& fileName, bool keepOpen)
    : ZynRawImageSource() {
    setFileName(fileName);
    setAttribute<bool>("keep_open", keepOpen);
}

ZynRawImageSource::~ZynRawImageSource() = default;

void ZynRawImageSource::setFile(int organization, uint32_t width, uint32_t height, int channels,
                                ZynColorSpacePtr colorSpace, ZynDataType dataType, uint32_t offset,
                                const ZynHardwareDesc& hardware) {
    attributeError_ = ZynError();
    markForSetup();
    try {
        const ZynInterleave interleave = interleaveOfSetFile(organization);
        if (width == 0 || height == 0 || channels <= 0 || channels > kMaxChannels ||
            uint64_t{width} * height * static_cast<uint64_t>(channels) > kMaxSamples)
            throw ZynError(13, "Illegal width, height, or num_channels value");
        if (colorSpace && colorSpace->bands() != channels)
            throw ZynError(153, "The colour space has " + std::to_string(colorSpace->bands()) +
                                    " bands but the file has " + std::to_string(channels) +
                                    " channels");
        auto layout = std::make_shared<ZynBufferInfo>();
        layout->dataOrg =
            std::make_shared<ZynSimpleDataOrg>(width, height, dataType, channels, interleave);
        layout->colorSpace = colorSpace ? colorSpace : defaultColorSpace(channels, dataType);
        setFileInfo(std::move(layout), offset, hardware);
    } catch (const ZynError& e) {
        attributeError_ = e;
        throw;
    }
}

void ZynRawImageSource::setFileInfo(ZynBufferInfoPtr fileLayout, uint32_t offset,
                                    const ZynHardwareDesc& hardware) {
    applyFileInfo(std::move(fileLayout), offset, hardware);
    markForSetup();
}

void ZynRawImageSource::applyFileInfo(ZynBufferInfoPtr fileLayout, uint32_t offset,
                                      const ZynHardwareDesc& hardware) {
    attributeError_ = ZynError();
    fileLayout_ = std::move(fileLayout);
    offset_ = offset;
    deriveOutputLayout();
    hardware_ = hardware;
    converter_ =
        zynBufferConverter(hardware, nativeHWD, zynSizeClass(fileLayout_->dataOrg->dataType()));
}

void ZynRawImageSource::forgetLayout() {
    fileLayout_.reset();
    outputLayout_.reset();
    converter_ = nullptr;
}

void ZynRawImageSource::deriveOutputLayout() {
    const ZynSimpleDataOrg& file = *fileLayout_->dataOrg;
    const uint32_t strip = ZynSampleReader::stripHeight(file.height());
    ZynDataOrgPtr out;
    if (!file.hasExplicitOffsets()) {
        organization_ = static_cast<int>(file.interleave());
        out = std::make_shared<ZynSimpleDataOrg>(file.width(), strip, file.dataType(), file.bands(),
                                                 file.interleave());
    } else {
        organization_ = 0;
        for (int64_t bandOffset : file.bandOffsets()) {
            if (bandOffset >= file.lineStride())
                organization_ = 2;
            else if (bandOffset >= file.pixelStride() && organization_ == 0)
                organization_ = 1;
        }
        std::vector<int64_t> offsets = file.bandOffsets();
        if (organization_ == 2)
            for (int b = 0; b < file.bands(); ++b)
                offsets[static_cast<size_t>(b)] = file.lineStride() * b * strip;
        out = std::make_shared<ZynSimpleDataOrg>(
            file.width(), strip, file.dataType(), static_cast<ZynInterleave>(organization_),
            std::move(offsets), file.pixelStride(), file.lineStride());
    }
    outputLayout_ = std::make_shared<ZynBufferInfo>(ZynBufferInfo{fileLayout_->colorSpace, out});
}

bool ZynRawImageSource::openFile() {
    if (isOpen()) return true;
    const std::wstring name = fileName();
    if (name.empty()) {
        setError(fileError_.code() ? fileError_
                                   : ZynError(130, "No file name specified for ZynRawImageSource"));
        return false;
    }
    bool opened;
    {
        std::lock_guard lock(fileLock());
        opened = open(name);
    }
    if (!opened) {
        const int number = QorError::lastOsErrorNumber();
        char code[16];
        std::snprintf(code, sizeof code, "%i", number);
        fileError_ = ZynError(130, "Could not open file: \"" + qorNarrow(name) +
                                       "\"System error code = " + code +
                                       "\nSystem error string = " + QorError::osErrorText(number));
        setError(fileError_);
        return false;
    }
    fileError_ = ZynError();
    return true;
}

void ZynRawImageSource::checkLineFitsFile() {
    // A line longer than the whole file can only come from a mistaken description or a corrupt
    // header; refusing it keeps strip buffers in proportion to the file.
    const ZynSimpleDataOrg& file = *fileLayout_->dataOrg;
    const int64_t lineBytes = file.lineStride() * static_cast<int64_t>(file.sampleSize());
    const int64_t size = fileSize();
    if (lineBytes > size)
        setError(ZynError(130, "Lines of " + std::to_string(lineBytes) +
                                   " bytes are longer than the file \"" + narrowFileName() +
                                   "\" of " + std::to_string(size) + " bytes"));
}

void ZynRawImageSource::setupTransform() {
    setSetupDone();
    if (!openFile()) return;
    if (fileError_.code())
        setError(fileError_);
    else if (attributeError_.code())
        setError(attributeError_);
    else if (!outputLayout_)
        setError(ZynError(130, "No raw image file information set for file: " + narrowFileName()));
    else
        checkLineFitsFile();
    if (status())
        publishRect(outputLayout_->colorSpace,
                    makeCoordSpace(fileLayout_->dataOrg->width(), fileLayout_->dataOrg->height()),
                    outputLayout_->dataOrg);
    closeUnlessKeptOpen();
}

bool ZynRawImageSource::rectInfo(ZynOutputInfo& info) {
    if (!fileLayout_ || !outputLayout_) {
        info.error = ZynError(123, "The raw source has no layout");
        return false;
    }
    info.width = fileLayout_->dataOrg->width();
    info.height = fileLayout_->dataOrg->height();
    info.dataOrg = outputLayout_->dataOrg;
    return true;
}

ZynColorSpacePtr ZynRawImageSource::rectColorSpace() {
    return outputLayout_ ? outputLayout_->colorSpace : nullptr;
}

ZynSampleReader ZynRawImageSource::reader() const {
    const ZynSimpleDataOrg& file = *fileLayout_->dataOrg;
    const auto ss = static_cast<int64_t>(file.sampleSize());
    std::vector<ZynSampleReader::Band> bands;
    for (int b = 0; b < file.bands(); ++b)
        bands.push_back({this->file(), offset_ + file.bandOffset(b) * ss});
    return ZynSampleReader("Raw Source", file.width(), file.height(), file.sampleSize(),
                           file.pixelStride() * ss, file.lineStride() * ss, std::move(bands),
                           converter_);
}

bool ZynRawImageSource::canFill(const ZynRectBuffer& buffer) {
    if (!fileLayout_ || buffer.dataType() != fileLayout_->dataOrg->dataType()) return false;
    const ZynSampleReader r = openReader();
    return r.inside(buffer.rect()) && r.fits(buffer);
}

void ZynRawImageSource::ensureOpenForReading() {
    std::lock_guard lock(fileLock());
    if (!isOpen() && (fileName().empty() || !open(fileName())))
        throw ZynError(130, "could not open file");
}

ZynSampleReader ZynRawImageSource::openReader() {
    std::lock_guard lock(fileLock());
    return reader();
}

void ZynRawImageSource::genRect(ZynRectBuffer& buffer) {
    ensureOpenForReading();
    if (!fileLayout_)
        throw ZynError(130, "No raw image file information set for file: " + narrowFileName());
    const ZynSampleReader r = openReader();
    if (buffer.dataType() != fileLayout_->dataOrg->dataType() || !r.fits(buffer))
        throw ZynError(130, "Raw Source doesn't support alternate Data Organisations");
    const ZynRect& rect = buffer.rect();
    if (!r.inside(rect))
        throw zynRectOutsideImage(rect, "raw", fileLayout_->dataOrg->width(),
                                  fileLayout_->dataOrg->height());
    r.read(buffer, fileLock());
}

// The description: the label, the file attributes and, once the layout is known, the eight
// raw_img keys, the organisation in the layout's own numbering.
void ZynRawImageSource::saveDescription(std::ostream& out) const {
    out << "label = \"" << label() << "\"\n";
    for (const char* name : {"file_name", "wfile_name", "keep_open"})
        out << "\t" << name << " = " << attribute(name).toText() << " ;\n";
    if (fileLayout_) {
        const ZynSimpleDataOrg& file = *fileLayout_->dataOrg;
        out << "\traw_img_width = " << file.width() << " ;\n"
            << "\traw_img_height = " << file.height() << " ;\n"
            << "\traw_img_channels = " << file.bands() << " ;\n"
            << "\traw_img_datatype = " << static_cast<int>(file.dataType()) << " ;\n"
            << "\traw_img_colorspace = " << fileLayout_->colorSpace->toText() << " ;\n"
            << "\traw_img_offset = " << offset_ << " ;\n"
            << "\traw_img_organization = " << organization_ << " ;\n"
            << "\traw_img_hardware_desc = " << hardware_ << " ;\n";
    }
    out << "}\n";
}

void ZynRawImageSource::loadDescription(std::istream& in) {
    ZynRawDescription description;
    description.read(in, *this);
    if (description.complete())
        setFile(description.setFileOrganization(), description.width, description.height,
                description.channels, description.colorSpace, description.dataType,
                description.offset, description.hardware);
}
