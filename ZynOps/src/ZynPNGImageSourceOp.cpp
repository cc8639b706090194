#include "ZynPNGImageSourceOp.h"

#include <filesystem>

#include "QorStream.h"
#include "QorString.h"
#include "QorSystem.h"
#include "ZynDecodeBudget.h"
#include "ZynSettings.h"

ZynPNGImageSourceOp::ZynPNGImageSourceOp(const std::wstring& fileName, bool keepOpen,
                                         const PNGReadOptions& options)
    : ZynPNGImageSourceOpBase(fileName, keepOpen), options_(options) {
    if (setUp()) {
        addResolution(width_, height_);
        setImageSize(width_, height_);
    } else {
        recordError(takePending());
    }
    if (!keepOpen) closeFile();
}

ZynPNGImageSourceOp::~ZynPNGImageSourceOp() = default;

void ZynPNGImageSourceOp::pend(int code, const std::string& message, const char* file, int line) {
    pendingCode_ = code;
    pendingText_ += " !! " + message + " - Error in " +
                    std::filesystem::path(file).filename().string() +
                    " at line: " + std::to_string(line) + "\n";
}

void ZynPNGImageSourceOp::pendLibpngError() {
    const std::string message = png_ ? png_->lastError() : "";
    pendingCode_ = 14;
    pendingText_ +=
        " !! PNG Error: " + (message.empty() ? std::string("Unable to read PNG data") : message) +
        " - Error in FILE at line: XXX\n";
}

ZynError ZynPNGImageSourceOp::takePending() {
    ZynError error(pendingCode_, pendingText_);
    pendingCode_ = 0;
    pendingText_.clear();
    return error;
}

bool ZynPNGImageSourceOp::setUpFailed() {
    png_.reset();
    return false;
}

// A decoder in the middle of the stream goes on from where the file was closed.
bool ZynPNGImageSourceOp::openFile() {
    if (fileName().empty()) {
        pend(130, "PNG image file name has not been specified.");
        return false;
    }
    closeFile();
    file_.reset(qorOpenFile(qorLocalPath(fileName()), "rb"));
    if (!file_ || (png_ && qorSeek(file_.get(), resumeAt_, SEEK_SET) != 0)) {
        file_.reset();
        pend(130, "Cannot Open PNG Image File: " + qorNarrow(fileName()));
        return false;
    }
    setOpen(true);
    if (png_) png_->readFromFile(file_.get());
    return true;
}

bool ZynPNGImageSourceOp::open() {
    std::lock_guard lock(mutex_);
    return openFile();
}

void ZynPNGImageSourceOp::closeFile() {
    if (file_ && png_) resumeAt_ = qorTell(file_.get());
    file_.reset();
    setOpen(false);
}

bool ZynPNGImageSourceOp::setUp() {
    pendingCode_ = 0;
    pendingText_.clear();
    png_.reset();
    resumeAt_ = 0;
    if (!openFile()) return setUpFailed();
    png_ = std::make_unique<PNGReadStruct>();
    if (!png_->hasReadStruct()) {
        pend(130, "Cannot Create PNG Read Structure For PNG File: " + qorNarrow(fileName()));
        return setUpFailed();
    }
    if (!png_->hasInfo()) {
        pend(130, "Cannot Create PNG Info Structure For PNG File: " + qorNarrow(fileName()));
        return setUpFailed();
    }
    png_->readFromFile(file_.get());
    if (!readHeader()) return setUpFailed();
    decoderStarted(passes_);
    return true;
}

// The first setup describes the image; a restart must find the same image, since callers'
// buffers are laid out for it, and leaves the description alone while other threads read it.
bool ZynPNGImageSourceOp::readHeader() {
    int passes = 0;
    if (!png_->keepChunks(kPNGPrivateChunks, 2, true) || !png_->readInfo() ||
        !png_->keepChunks(kPNGPrivateChunks, 2, false) ||
        (passes = png_->setTransforms(true, options_)) == 0) {
        pendLibpngError();
        pend(14, "PNG Error: Unable to initialize from PNG");
        return false;
    }
    if (const std::string refusal = decodeRefusal(passes); !refusal.empty()) {
        pend(130, refusal);
        return false;
    }
    if (width_ != 0) {
        if (png_->width() == width_ && png_->height() == height_ && png_->channels() == channels_ &&
            png_->bitDepth() == bitDepth_ && passes == passes_)
            return true;
        pend(130, "The PNG image file changed while it was being read: " + qorNarrow(fileName()));
        return false;
    }
    ZynColorSpacePtr colorSpace = colorSpaceFor(png_->channels(), png_->bitDepth());
    if (!colorSpace) {
        pend(130, "Unknown PNG file");
        return false;
    }
    width_ = png_->width();
    height_ = png_->height();
    channels_ = png_->channels();
    bitDepth_ = png_->bitDepth();
    passes_ = passes;
    if (!png_->pixelsPerMeter(pixelsPerMeterX_, pixelsPerMeterY_))
        pixelsPerMeterX_ = pixelsPerMeterY_ = 0;
    leading_ = png_->leadingChunks();
    if (leading_.reducedWidth == 0 || leading_.reducedHeight == 0 ||
        (leading_.reducedWidth == width_ && leading_.reducedHeight == height_))
        leading_.hasReducedRes = false;
    const uint32_t strip = passes_ > 1 ? height_ : ZynSettings::get().defaultStripHeight;
    describe(width_, height_, channels_, bitDepth_ == 16 ? ZynDataType::UInt16 : ZynDataType::UInt8,
             strip, std::move(colorSpace));
    return true;
}

std::string ZynPNGImageSourceOp::decodeRefusal(int passes) const {
    const std::string name = qorNarrow(fileName());
    if (png_->tooShortForItsImage())
        return "\"" + name + "\": the file is too short for the " + std::to_string(png_->width()) +
               " x " + std::to_string(png_->height()) + " pixels it declares";
    // An interlaced image is decoded whole; any other a strip at a time.
    const uint32_t rows = passes > 1 ? png_->height() : ZynSettings::get().defaultStripHeight;
    const uint64_t bytes = ZynDecodeBudget::product({png_->width(), std::min(rows, png_->height()),
                                                     static_cast<uint64_t>(png_->channels()),
                                                     png_->bitDepth() == 16 ? 2u : 1u});
    if (!ZynDecodeBudget::allows(bytes))
        return ZynDecodeBudget::refusal(name, "decoding the PNG image", bytes);
    return {};
}

bool ZynPNGImageSourceOp::pixelsPerMeter(uint32_t& x, uint32_t& y) const {
    x = pixelsPerMeterX_;
    y = pixelsPerMeterY_;
    return x != 0 && y != 0;
}

void ZynPNGImageSourceOp::restartDecoder() {
    closeFile();
    if (!setUp()) throw takePending();
}

void ZynPNGImageSourceOp::decodeRows(uint8_t** rows, uint32_t count) {
    if (!file_ && !openFile()) throw takePending();
    if (!png_->readRows(rows, count, passes_)) {
        pendLibpngError();
        throw takePending();
    }
}

void ZynPNGImageSourceOp::finishDecoding() {
    const bool ended = (file_ || openFile()) && png_->readEnd();
    if (!ended && pendingText_.empty()) pendLibpngError();
    png_.reset();
    closeFile();
    if (!ended) throw takePending();
}

std::string ZynPNGImageSourceOp::bufferRequirements() const {
    return std::string("ZynPNGImageSourceOp::genRect() can only fill rect buffers that") +
           " have an ZynSimpleDataOrg, are 8-bit or 16 bit, are pixel-interleaved\n" +
           "with uniform band offsets, and have no pad bytes between samples.\n";
}
