#include "ZynPNGEmbeddedImageSourceOp.h"

#include "ZynSettings.h"

ZynPNGEmbeddedImageSourceOp::ZynPNGEmbeddedImageSourceOp(const std::wstring& fileName,
                                                         bool keepOpen, const Kind& kind,
                                                         const PNGReadOptions& options)
    : ZynPNGImageSourceOpBase(fileName, keepOpen), kind_(kind), options_(options) {}

bool ZynPNGEmbeddedImageSourceOp::open() {
    std::lock_guard lock(mutex_);
    return openFile();
}

bool ZynPNGEmbeddedImageSourceOp::readFileHeader() {
    if (open()) return true;
    recordError(openError_);
    return false;
}

bool ZynPNGEmbeddedImageSourceOp::openFile() {
    closeFile();
    QorStreamFactory factory;
    stream_ = factory.create(fileName(), "rb");
    if (!stream_) {
        openError_ = ZynError(factory.error().code(), factory.error().message());
        return false;
    }
    setOpen(true);
    file_ = std::make_unique<PNGInterface>();
    const bool tag = std::string(kind_.chunk) == "ckTg";
    if (!file_->SetUp(stream_.get(), true, !tag, tag)) {
        openError_ = ZynError(203, "PNG setup failed: " + file_->ErrorText());
        return false;
    }
    // The file's own colour type does not matter to the tag image, so palettes are accepted here.
    file_->SetTransforms(true, options_);
    if (!file_->ReadHeader(fileHeader_)) {
        openError_ = ZynError(203, "ReadHeader failed: " + file_->ErrorText());
        return false;
    }
    return true;
}

void ZynPNGEmbeddedImageSourceOp::closeFile() {
    file_.reset();
    stream_.reset();
    setOpen(false);
}

void ZynPNGEmbeddedImageSourceOp::expect(uint32_t width, uint32_t height, int bands, int bits,
                                         ZynColorSpacePtr colorSpace) {
    bands_ = bands;
    bits_ = bits;
    describe(width, height, bands, bits == 16 ? ZynDataType::UInt16 : ZynDataType::UInt8,
             ZynSettings::get().defaultStripHeight, std::move(colorSpace));
    addResolution(width, height);
    setImageSize(width, height);
}

ZynError ZynPNGEmbeddedImageSourceOp::failure(const std::string& what,
                                              const PNGInterface& png) const {
    return ZynError(203, what + png.ErrorText());
}

void ZynPNGEmbeddedImageSourceOp::gatherChunks() {
    if (!file_ && !openFile()) throw openError_;
    if (!file_->ReadTrailer())
        throw failure(kind_.className + std::string("::genRect, ReadTrailer failed (tag): "),
                      *file_);
    embedded_ = std::make_unique<PNGInterface>();
    if (!embedded_->SetUp(nullptr, false, true, true))
        throw failure("PNG setup failed (tag): ", *embedded_);
    if (!embedded_->MakeTagDataChunks(*file_, kind_.chunk))
        throw failure("PNG ConstructDataChunkChain failed (tag): ", *embedded_);
    gathered_ = true;
    closeFile();
}

void ZynPNGEmbeddedImageSourceOp::checkEmbedded(const PNGInterface::Header& h) const {
    const std::string prefix = kind_.className + std::string("::genRect: ");
    if (h.channels != bands_ || h.bitDepth != bits_)
        throw ZynError(203, prefix + "invalid embedded " + kind_.imageName + " (nbands,nbits) = (" +
                                std::to_string(h.channels) + "," + std::to_string(h.bitDepth) +
                                "); should be (" + std::to_string(bands_) + "," +
                                std::to_string(bits_) + ")");
    if (h.width != imageWidth() || h.height != imageHeight())
        throw ZynError(
            203, prefix + " embedded tag image (w,h) = (" + std::to_string(h.width) + "," +
                     std::to_string(h.height) + ") do not match primary image (w,h) = (" +
                     std::to_string(imageWidth()) + "," + std::to_string(imageHeight()) + ")");
}

void ZynPNGEmbeddedImageSourceOp::restartDecoder() {
    if (!gathered_)
        gatherChunks();
    else if (!embedded_->SetUp(nullptr, false, true, true))
        throw failure("PNG setup failed (tag): ", *embedded_);
    embedded_->SetTransforms(kind_.expand, options_);
    PNGInterface::Header header;
    if (!embedded_->ReadHeader(header))
        throw failure("PNG ReadHeader failed (" + std::string(kind_.headerName) + "): ",
                      *embedded_);
    checkEmbedded(header);
    decoderStarted(header.passes);
}

void ZynPNGEmbeddedImageSourceOp::decodeRows(uint8_t** rows, uint32_t count) {
    if (!embedded_->ReadRows(rows, count))
        throw failure(kind_.className + std::string("::genRect failed (tag): "), *embedded_);
}

void ZynPNGEmbeddedImageSourceOp::finishDecoding() {
    if (!embedded_->ReadTrailer())
        throw failure(kind_.className + std::string("::genRect, ReadTrailer failed (tag): "),
                      *embedded_);
}
