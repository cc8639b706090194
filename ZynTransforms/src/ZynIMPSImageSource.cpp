#include "ZynIMPSImageSource.h"

#include "QorString.h"
#include "QorSystem.h"
#include "ZynRawImage.h"
#include "ZynRectSourceOp.h"

ZynIMPSImageSource::ZynIMPSImageSource(const ZynIMPSImageSource& other)
    : ZynTransform(other), ZynRectFileSource(other) {}

ZynIMPSImageSource::~ZynIMPSImageSource() = default;

// Claims files whose doc file exists and whose set's files can be found; the file itself is
// not read.
ZynTransformPtr ZynIMPSImageSource::recognize(const std::wstring& fileName, FILE*, bool keepOpen) {
    try {
        ZynIMPSHeader header;
        header.deriveDocPath(qorNarrow(fileName));
        if (!qorIsRegularFile(header.docPath)) return nullptr;
        header.decideFileSet();
        return std::make_shared<ZynIMPSImageSource>(fileName, keepOpen);
    } catch (...) {
        // A set that cannot be made sense of is simply not claimed.
        return nullptr;
    }
}

std::string ZynIMPSImageSource::quotedName() const {
    return "\"" + narrowFileName() + "\"";
}

bool ZynIMPSImageSource::checkFile() {
    header_ = ZynIMPSHeader();
    try {
        header_.setFile(narrowFileName());
    } catch (const ZynError& e) {
        // A doc file that is there but wrong says what is wrong with it.
        if (header_.documentation.empty())
            setError(
                ZynError(130, "Unable to open file \"" + header_.docPath + "\": file not found"));
        else
            setError(e);
        return false;
    }
    std::string failed;
    {
        std::lock_guard lock(lock_);
        failed = openBandFiles();
    }
    if (!failed.empty()) {
        setError(
            ZynError(130, "Unable to open the file(s): \n" + failed + " with write permission"));
        return false;
    }
    converter_ = zynBufferConverter(header_.hardware, nativeHWD, zynSizeClass(header_.dataType));
    keepDocumentation();
    return true;
}

std::string ZynIMPSImageSource::openBandFiles() {
    std::string failed;
    files_.clear();
    for (size_t i = 1; i < header_.files.size(); ++i) {
        files_.emplace_back(qorOpenFile(header_.files[i], "rb"));
        if (!files_.back()) failed += header_.files[i] + "\n";
    }
    if (!failed.empty()) files_.clear();
    return failed;
}

void ZynIMPSImageSource::closeFiles() {
    std::lock_guard lock(lock_);
    files_.clear();
}

void ZynIMPSImageSource::keepDocumentation() {
    if (!hasAttribute("Documentation")) addSimpleAttribute<std::string>("Documentation", "");
    // Quietly: the attribute describes the set and must not ask for another setup.
    static_cast<ZynSimpleAttribute<std::string>&>(attribute("Documentation"))
        .assignQuietly(header_.documentation);
}

// A line longer than its file can only come from an absurd doc file; refusing it keeps strip
// buffers in proportion to the files.
bool ZynIMPSImageSource::linesFitFiles() {
    const int64_t lineBytes =
        int64_t{header_.pixels} * header_.bytesPerPixel * (header_.rgbFile ? 3 : 1);
    for (size_t i = 0; i < files_.size(); ++i) {
        const std::optional<QorFileStatus> status = qorFileStatus(files_[i].get());
        if (status && lineBytes <= static_cast<int64_t>(status->size)) continue;
        setError(ZynError(130, "File " + quotedName() + ": lines of " + std::to_string(lineBytes) +
                                   " bytes are longer than \"" + header_.files[i + 1] + "\""));
        return false;
    }
    return true;
}

void ZynIMPSImageSource::describeOutput() {
    const int bands = header_.bands();
    colorSpace_ = bands == 1 ? ZynColorSpacePtr(std::make_shared<ZynLumColorSpace>(
                                   header_.minValue, header_.maxValue))
                             : ZynColorSpacePtr(std::make_shared<ZynRGBColorSpace>(
                                   header_.minValue, header_.maxValue));
    const auto width = static_cast<uint32_t>(header_.pixels);
    const uint32_t strip = ZynSampleReader::stripHeight(static_cast<uint32_t>(header_.lines));
    // Three band files are read a band at a time into planes; the rest as the files hold them.
    dataOrg_ = std::make_shared<ZynSimpleDataOrg>(
        width, strip, header_.dataType, bands,
        bands == 3 && !header_.rgbFile ? ZynInterleave::Band : ZynInterleave::Pixel);
}

void ZynIMPSImageSource::setupTransform() {
    setSetupDone();
    if (files_.empty() && !checkFile()) return;
    if (header_.pixels == 0 || header_.lines == 0)
        setError(ZynError(130, "File " + quotedName() + ": the width and height must be nonzero"));
    else if (linesFitFiles()) {
        describeOutput();
        publishRect(colorSpace_,
                    ZynRawImage::makeCoordSpace(static_cast<uint32_t>(header_.pixels),
                                                static_cast<uint32_t>(header_.lines)),
                    dataOrg_);
    }
    closeUnlessKeptOpen();
}

bool ZynIMPSImageSource::rectInfo(ZynOutputInfo& info) {
    if (!dataOrg_) {
        info.error = ZynError(123, "The IMPS source has no layout");
        return false;
    }
    info.width = static_cast<uint32_t>(header_.pixels);
    info.height = static_cast<uint32_t>(header_.lines);
    info.dataOrg = dataOrg_;
    return true;
}

ZynSampleReader ZynIMPSImageSource::reader() const {
    const auto ss = static_cast<int64_t>(zynSampleSize(header_.dataType));
    const int64_t pixel = header_.rgbFile ? 3 * ss : ss;
    std::vector<ZynSampleReader::Band> bands;
    for (int b = 0; b < header_.bands(); ++b) {
        FILE* file = files_.empty() ? nullptr : files_[header_.rgbFile ? 0 : b].get();
        bands.push_back({file, header_.rgbFile ? b * ss : 0});
    }
    return ZynSampleReader("IMPS Source", static_cast<uint32_t>(header_.pixels),
                           static_cast<uint32_t>(header_.lines), static_cast<size_t>(ss), pixel,
                           pixel * header_.pixels, std::move(bands), converter_);
}

bool ZynIMPSImageSource::canFill(const ZynRectBuffer& buffer) {
    if (!dataOrg_ || buffer.dataType() != header_.dataType) return false;
    std::lock_guard lock(lock_);
    const ZynSampleReader r = reader();
    return r.inside(buffer.rect()) && r.fits(buffer);
}

void ZynIMPSImageSource::genRect(ZynRectBuffer& buffer) {
    std::unique_lock lock(lock_);
    // A rendering pass may have closed the files.
    if (files_.empty() && header_.docRead) openBandFiles();
    if (files_.empty()) throw ZynError(130, "could not open files");
    // Taken under the lock: another request may be opening the files.
    const ZynSampleReader r = reader();
    lock.unlock();
    if (!dataOrg_ || buffer.dataType() != header_.dataType || !r.fits(buffer))
        throw ZynError(130, "IMPS Source doesn't support alternate Data Organisations");
    if (!r.inside(buffer.rect()))
        throw zynRectOutsideImage(buffer.rect(), "IMPS", header_.pixels, header_.lines);
    r.read(buffer, lock_);
}
