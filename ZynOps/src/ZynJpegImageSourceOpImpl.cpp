#include "ZynJpegImageSourceOpImpl.h"

#include "QorSettings.h"
#include "ZynDecodeBudget.h"
#include "ZynJpegColorSpace.h"
#include "ZynSettings.h"

namespace {

constexpr const char* kDecodingWhat = "decoding the JPEG image";

std::string statusText(const char* prefix, int status, const std::string& message) {
    std::string text = prefix + std::to_string(status);
    if (!message.empty()) text += ", msg = " + message;
    return text;
}

}  // namespace

ZynJpegImageSourceOpImpl::ZynJpegImageSourceOpImpl()
    : bands_(std::max<uint32_t>(1, ZynSettings::get().preferredBandHeight)) {}

ZynJpegImageSourceOpImpl::~ZynJpegImageSourceOpImpl() = default;

void ZynJpegImageSourceOpImpl::newDecoder(JpdImplementation implementation) {
    std::lock_guard lock(mutex_);
    decoder_ = std::make_unique<JpdDecoder>(implementation);
    bands_.clear();
    nextLine_ = 0;
}

std::string ZynJpegImageSourceOpImpl::headerError(int status) const {
    return statusText("Error Reading Jpeg Header, Jpeg Status = ", status,
                      decoder_ ? decoder_->message() : std::string());
}

bool ZynJpegImageSourceOpImpl::readHeader() {
    std::lock_guard lock(mutex_);
    const QorSettings& settings = QorSettings::get();
    if (!settings.hasMMX || !settings.optimizationsEnabled) JpdDecoder::disableSimd();
    uint32_t width = 0, height = 0;
    int components = 0;
    const int status = decoder_->getImageInfo(width, height, components);
    if (status != kJpdOk) {
        recordError(ZynError(130, headerError(status)));
        return false;
    }
    if (const std::string refusal = decodeRefusal(); !refusal.empty()) {
        recordError(ZynError(130, refusal));
        return false;
    }
    clearResolutions();
    for (int scale = 0; scale < 4; ++scale) {
        uint32_t scaledWidth = 0, scaledHeight = 0;
        decoder_->getScaleSize(scale, scaledWidth, scaledHeight);
        addResolution(scaledWidth, scaledHeight);
    }
    setImageSize(width, height);
    selectResolution(0);
    bands_.clear();
    nextLine_ = 0;
    setValid(true);
    return true;
}

void ZynJpegImageSourceOpImpl::copySettingsTo(ZynJpegImageSourceOpImpl& other) const {
    other.colorSpaceName_ = colorSpaceName_;
    other.dctMethod_ = dctMethod_;
}

JpdColorSpace ZynJpegImageSourceOpImpl::deliveredColorSpace() const {
    // A colour space the decoder cannot deliver from this file leaves the file's own.
    if (!colorSpaceName_.empty()) {
        const JpdColorSpace requested = zynJpegColorSpaceFromName(colorSpaceName_);
        if (decoder_->canProduce(requested)) return requested;
    }
    return decoder_->info().colorSpace;
}

bool ZynJpegImageSourceOpImpl::outputInfo(ZynOutputInfo& info) {
    std::lock_guard lock(mutex_);
    if (!valid() || !decoder_) return false;
    const JpdImageInfo& header = decoder_->info();
    if (header.precision > 8) {
        recordError(ZynError(135, "Can only support 8 bit data"));
        return false;
    }
    outputColorSpace_ = deliveredColorSpace();
    ZynError why;
    colorSpace_ = zynJpegColorSpace(outputColorSpace_, header.components, header.precision, why);
    if (!colorSpace_) {
        recordError(why);
        return false;
    }
    const ZynResolution size = selectedSize();
    info.width = size.width;
    info.height = size.height;
    info.originX = info.originY = 0;
    info.dataOrg =
        std::make_shared<ZynSimpleDataOrg>(size.width, std::min(bands_.bandHeight(), size.height),
                                           ZynDataType::UInt8, colorSpace_->bands());
    return true;
}

ZynColorSpacePtr ZynJpegImageSourceOpImpl::getColorSpace() {
    std::lock_guard lock(mutex_);
    return colorSpace_;
}

int ZynJpegImageSourceOpImpl::outputBands() const {
    return colorSpace_ ? colorSpace_->bands() : 0;
}

bool ZynJpegImageSourceOpImpl::canFill(const ZynRectBuffer& buffer) {
    std::lock_guard lock(mutex_);
    if (!valid() || !colorSpace_) return false;
    const ZynSimpleDataOrg& org = buffer.org();
    const ZynRect& r = buffer.rect();
    const ZynResolution size = selectedSize();
    return org.dataType() == ZynDataType::UInt8 && org.bands() == outputBands() &&
           org.isPackedPixelInterleaved() && org.width() >= r.width && org.height() >= r.height &&
           r.x <= 0 && r.right() >= size.width && r.y < size.height && r.bottom() > 0;
}

void ZynJpegImageSourceOpImpl::genRect(ZynRectBuffer& buffer) {
    ZynOutputInfo info;
    if (!outputInfoBase(info))
        throw ZynError(123,
                       "outputInfoBase() returned false from ZynJpegImageSourceOp::genRect() ");
    const ZynRect& r = buffer.rect();
    if (!canFill(buffer))
        throw ZynError(3,
                       "Mismatch in request to ZynJpegImageSourceOp::genRect(). "
                       "ZynJpegImageSourceOp::genRect() can not fill requested rect =" +
                           std::to_string(r.x) + ", " + std::to_string(r.y) + ", " +
                           std::to_string(r.width) + ", " + std::to_string(r.height));
    const ZynRect rect = r.intersect({0, 0, info.width, info.height});
    if (rect.empty()) return;
    withInput([&] { decode(buffer, rect); });
}

void ZynJpegImageSourceOpImpl::decode(ZynRectBuffer& buffer, const ZynRect& rect) {
    std::lock_guard lock(mutex_);
    const ZynResolution size = selectedSize();
    if (!bands_.exists()) bands_.create(size.height);
    const int band = bands_.bandOf(rect, size.height);
    if (band >= 0 && bands_.serve(band, buffer)) return;

    if (rect.y < nextLine_) {
        decoder_->stop();
        nextLine_ = 0;
        resetInput();
    }
    if (!decoder_->started()) startDecoder();

    const int bandCount = outputBands();
    while (nextLine_ < rect.bottom()) {
        if (nextLine_ == rect.y) {
            readLines(reinterpret_cast<uint8_t*>(buffer.at(0, rect.y)),
                      static_cast<int>(rect.height), buffer.lineStrideBytes());
            continue;
        }
        const int current = static_cast<int>(nextLine_ / bands_.bandHeight());
        const ZynRect bandRect = bands_.bandRect(current, size.width, size.height);
        if (nextLine_ == bandRect.y && bandRect.bottom() <= rect.y) {
            auto kept = std::make_unique<ZynRectBuffer>(
                bandRect, std::make_shared<ZynSimpleDataOrg>(size.width,
                                                             static_cast<uint32_t>(bandRect.height),
                                                             ZynDataType::UInt8, bandCount));
            readLines(reinterpret_cast<uint8_t*>(kept->at(0, bandRect.y)),
                      static_cast<int>(bandRect.height), kept->lineStrideBytes());
            bands_.store(current, std::move(kept));
        } else {
            const int64_t until = std::min(rect.y, bandRect.bottom());
            skipLine_.resize(size_t{size.width} * bandCount);
            readLines(skipLine_.data(), static_cast<int>(until - nextLine_), 0);
        }
    }
}

std::string ZynJpegImageSourceOpImpl::decodeRefusal() const {
    const uint64_t needed = decoder_->decodeBytes();
    if (!ZynDecodeBudget::allows(needed))
        return ZynDecodeBudget::refusal(inputName(), kDecodingWhat, needed);
    if (decoder_->tooShortForItsBlocks())
        return "\"" + inputName() + "\": the file is too short for the " +
               std::to_string(decoder_->blockCount()) + " blocks of coefficients it declares";
    return {};
}

void ZynJpegImageSourceOpImpl::startDecoder() {
    uint32_t width = 0, height = 0;
    int components = 0;
    int status = decoder_->getImageInfo(width, height, components);
    if (status != kJpdOk) throw ZynError(130, headerError(status));
    decoder_->setScaling(selectedResolution());
    status = decoder_->setOutputColorSpace(outputColorSpace_);
    if (status == kJpdOk) status = decoder_->setDctMethod(ZynDCTMethod::decoderMethod(dctMethod_));
    if (const std::string refusal = decodeRefusal(); !refusal.empty()) throw ZynError(130, refusal);
    if (status == kJpdOk) status = decoder_->start();
    if (status != kJpdOk)
        throw ZynError(130, statusText("\nError reading Jpeg scanlines in "
                                       "ZynJpegImageSourceOpImpl::genRect(), Jpeg Status = ",
                                       status, decoder_->message()));
    const ZynResolution size = selectedSize();
    // The file may have changed since its header was read for the setup.
    if (decoder_->outputWidth() != size.width || decoder_->outputHeight() != size.height ||
        decoder_->outputComponents(outputColorSpace_) != outputBands()) {
        decoder_->stop();
        throw ZynError(130, "The JPEG file changed since it was opened: it now decodes to " +
                                std::to_string(decoder_->outputWidth()) + "x" +
                                std::to_string(decoder_->outputHeight()) + " pixels");
    }
    nextLine_ = 0;
    ++decoderStarts_;
}

void ZynJpegImageSourceOpImpl::readLines(uint8_t* destination, int lines, ptrdiff_t lineStride) {
    int delivered = 0;
    const int status = decoder_->readScanLines(destination, lines, lineStride, delivered);
    if (status != kJpdOk) {
        nextLine_ = 0;
        decoder_->stop();
        throw ZynError(130, statusText("\nError reading Jpeg scanlines in "
                                       "ZynJpegImageSourceOpImpl::genRect(), Jpeg Status = ",
                                       status, decoder_->message()));
    }
    nextLine_ += static_cast<uint32_t>(lines);
}

void ZynJpegImageSourceOpImpl::stopDecoding() {
    if (decoder_) decoder_->stop();
    bands_.clear();
    nextLine_ = 0;
}

void ZynJpegImageSourceOpImpl::setColorSpaceName(const std::string& name) {
    std::lock_guard lock(mutex_);
    if (name == colorSpaceName_) return;
    colorSpaceName_ = name;
    // Bands decoded in the former colour space must not be served.
    stopDecoding();
}

void ZynJpegImageSourceOpImpl::setDctMethod(ZynDCTMethod::dctMethod method) {
    std::lock_guard lock(mutex_);
    if (method == dctMethod_) return;
    dctMethod_ = method;
    stopDecoding();
}

void ZynJpegImageSourceOpImpl::useResolution(int16_t index) {
    std::lock_guard lock(mutex_);
    if (index == selectedResolution()) return;
    stopDecoding();
    selectResolution(index);
}

bool ZynJpegImageSourceOpImpl::quantTable(int component, std::vector<uint16_t>& table) {
    std::lock_guard lock(mutex_);
    uint16_t values[64];
    if (!decoder_ || decoder_->getQuantTable(component, values) != kJpdOk) return false;
    table.assign(values, values + 64);
    return true;
}

bool ZynJpegImageSourceOpImpl::iccProfile(std::vector<uint8_t>& profile) {
    std::lock_guard lock(mutex_);
    return decoder_ && decoder_->getIccProfile(profile) == kJpdOk;
}

bool ZynJpegImageSourceOpImpl::displayResolution(uint16_t& x, uint16_t& y, uint8_t& unit) {
    std::lock_guard lock(mutex_);
    return decoder_ && decoder_->getDpi(x, y, unit) == kJpdOk;
}
