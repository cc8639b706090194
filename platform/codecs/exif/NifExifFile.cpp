#include "NifExifFile.h"

#include <libexif/exif-data.h>

#include <cstring>

#include "JpdDecoder.h"
#include "NifExifFpxr.h"
#include "QorError.h"
#include "QorStream.h"
#include "QorString.h"
#include "QorSystem.h"

namespace {

constexpr int kApp1 = 0xE1;
constexpr int kApp2 = 0xE2;
constexpr uint8_t kExifSignature[6] = {'E', 'x', 'i', 'f', 0, 0};
constexpr int kRowsPerPass = 16;

using FileHandle = std::unique_ptr<FILE, int (*)(FILE*)>;

ExifIfd libexifIfd(NifExifIfd ifd) {
    switch (ifd) {
        case NifExifIfd::Exif:
            return EXIF_IFD_EXIF;
        case NifExifIfd::Gps:
            return EXIF_IFD_GPS;
        case NifExifIfd::Interoperability:
            return EXIF_IFD_INTEROPERABILITY;
        case NifExifIfd::Thumbnail:
            return EXIF_IFD_1;
        default:
            return EXIF_IFD_0;
    }
}

bool isFrameMarker(int marker) {
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

bool startsWithExifSignature(const std::vector<uint8_t>& payload) {
    return payload.size() >= sizeof kExifSignature &&
           std::memcmp(payload.data(), kExifSignature, sizeof kExifSignature) == 0;
}

bool packed(const NifExifChannels& channels, int bands) {
    for (int k = 0; k < bands; ++k)
        if (channels[k].origin != channels[0].origin + k || channels[k].pixelStride != bands ||
            channels[k].lineStride != channels[0].lineStride)
            return false;
    return true;
}

// Decodes `lines` lines of `bands` samples into the channels, through `rows` when the channels
// are not one packed run of pixels.
int decodeInto(JpdDecoder& decoder, const NifExifChannels& channels, int bands, int lines,
               std::vector<uint8_t>& rows, int& delivered) {
    delivered = 0;
    if (packed(channels, bands))
        return decoder.readScanLines(channels[0].origin, lines, channels[0].lineStride, delivered);
    const size_t rowBytes = size_t{decoder.outputWidth()} * bands;
    rows.resize(rowBytes * kRowsPerPass);
    while (delivered < lines) {
        const int want = std::min(kRowsPerPass, lines - delivered);
        int got = 0;
        if (const int status = decoder.readScanLines(rows.data(), want, rowBytes, got);
            status != kJpdOk)
            return status;
        for (int r = 0; r < got; ++r)
            for (uint32_t x = 0; x < decoder.outputWidth(); ++x)
                for (int k = 0; k < bands; ++k)
                    channels[k].origin[(delivered + r) * channels[k].lineStride +
                                       x * channels[k].pixelStride] =
                        rows[r * rowBytes + x * bands + k];
        delivered += got;
    }
    return kJpdOk;
}

JpdColorSpace deliveredSpace(int identifier, JpdColorSpace fallback) {
    switch (identifier) {
        case kNifYCbCr:
            return JpdColorSpace::YCbCr;
        case kNifGray:
            return JpdColorSpace::Grayscale;
        case kNifRGB:
        case kNifUncalibratedRGB:
            return JpdColorSpace::RGB;
        default:
            return fallback;
    }
}

}  // namespace

// The EXIF block as libexif reads it, as stored: libexif's own repairs are off.
struct NifExifFile::ExifBlock {
    ExifData* data = nullptr;
    ExifLog* log = nullptr;
    bool corrupt = false;

    explicit ExifBlock(const std::vector<uint8_t>& payload)
        : data(exif_data_new()), log(exif_log_new()) {
        if (!data || !log) return;
        exif_data_unset_option(data, EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
        exif_log_set_func(log, &ExifBlock::note, this);
        exif_data_log(data, log);
        exif_data_load_data(data, payload.data(), static_cast<unsigned>(payload.size()));
    }
    ~ExifBlock() {
        if (data) exif_data_unref(data);
        if (log) exif_log_unref(log);
    }
    ExifBlock(const ExifBlock&) = delete;
    ExifBlock& operator=(const ExifBlock&) = delete;

    static void note(ExifLog*, ExifLogCode code, const char*, const char*, va_list, void* self) {
        if (code == EXIF_LOG_CODE_CORRUPT_DATA) static_cast<ExifBlock*>(self)->corrupt = true;
    }

    ExifEntry* entry(ExifIfd ifd, ExifTag tag) const {
        return data && data->ifd[ifd] ? exif_content_get_entry(data->ifd[ifd], tag) : nullptr;
    }

    // A SHORT or LONG tag's value.
    bool number(ExifIfd ifd, ExifTag tag, uint32_t& value) const {
        const ExifEntry* e = entry(ifd, tag);
        if (!e || !e->data || e->components != 1) return false;
        const ExifByteOrder order = exif_data_get_byte_order(data);
        if (e->format == EXIF_FORMAT_SHORT && e->size >= 2)
            value = exif_get_short(e->data, order);
        else if (e->format == EXIF_FORMAT_LONG && e->size >= 4)
            value = exif_get_long(e->data, order);
        else
            return false;
        return true;
    }
};

NifExifFile::NifExifFile() = default;

NifExifFile::~NifExifFile() = default;

bool NifExifFile::isExifFile(const std::string& path) {
    FileHandle file(qorOpenFile(path, "rb"), &std::fclose);
    if (!file) return false;
    uint8_t bytes[6];
    if (std::fread(bytes, 1, 2, file.get()) != 2 || bytes[0] != 0xFF || bytes[1] != 0xD8)
        return false;
    for (;;) {
        if (std::fgetc(file.get()) != 0xFF) return false;
        int marker = 0;
        do marker = std::fgetc(file.get());
        while (marker == 0xFF);
        if (marker == EOF || marker == 0xDA || marker == 0xD9 || isFrameMarker(marker))
            return false;
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) continue;
        if (std::fread(bytes, 1, 2, file.get()) != 2) return false;
        const long length = bytes[0] << 8 | bytes[1];
        if (length < 2) return false;
        long skip = length - 2;
        if (marker == kApp1 && skip >= 6) {
            if (std::fread(bytes, 1, 6, file.get()) != 6) return false;
            if (std::memcmp(bytes, kExifSignature, sizeof kExifSignature) == 0) return true;
            skip -= 6;
        }
        if (qorSeek(file.get(), skip, SEEK_CUR) != 0) return false;
    }
}

bool NifExifFile::isURL(const std::wstring& name) {
    return QorStream::isURL(name);
}

void NifExifFile::disableMmx() {
    JpdDecoder::disableSimd();
}

int NifExifFile::fail(int status, std::string message) {
    message_ = std::move(message);
    return status;
}

int NifExifFile::open(const std::string& path, NifExifFileType& type, NifExifImageInfo& info,
                      int mode) {
    if (!alternative_) return open(qorWiden(path), type, info, mode);
    if (mode != 0) return fail(kNifBadArgument, "the open mode must be 0");
    close();
    decoder_ = std::make_unique<JpdDecoder>(JpdImplementation::Alternative);
    if (decoder_->setPathInput(path) != kJpdOk) return fail(kNifCannotOpen, decoder_->message());
    input_ = Input::Path;
    path_ = path;
    return openDecoded(type, info);
}

int NifExifFile::open(const std::wstring& name, NifExifFileType& type, NifExifImageInfo& info,
                      int mode) {
    if (alternative_) return open(qorLocalPath(name), type, info, mode);
    if (mode != 0) return fail(kNifBadArgument, "the open mode must be 0");
    close();
    QorStreamFactory factory;
    stream_ = factory.create(name, "rb");
    if (!stream_) return fail(kNifCannotOpen, factory.error().message());
    decoder_ = std::make_unique<JpdDecoder>(JpdImplementation::Standard);
    decoder_->setStreamInput(stream_.get());
    input_ = Input::Stream;
    name_ = name;
    return openDecoded(type, info);
}

int NifExifFile::open(FILE* file, NifExifFileType& type, NifExifImageInfo& info, int mode) {
    if (mode != 0) return fail(kNifBadArgument, "the open mode must be 0");
    if (!file) return fail(kNifCannotOpen, "no file");
    close();
    decoder_ = std::make_unique<JpdDecoder>(JpdImplementation::Standard);
    decoder_->setFileInput(file);
    input_ = Input::File;
    file_ = file;
    return openDecoded(type, info);
}

int NifExifFile::openDecoded(NifExifFileType& type, NifExifImageInfo& info) {
    decoder_->keepMarkers(kApp1);
    decoder_->keepMarkers(kApp2);
    uint32_t width = 0, height = 0;
    int components = 0;
    if (decoder_->getImageInfo(width, height, components) != kJpdOk)
        return fail(kNifBadFile, decoder_->message());
    if (decoder_->info().precision != 8)
        return fail(kNifBadFile, "Unsupported JPEG data precision " +
                                     std::to_string(decoder_->info().precision));
    readExifBlock();
    readExtension();
    info_ = NifExifImageInfo{width, height, static_cast<uint16_t>(components), kNifUnsupported};
    info_.colorSpace = identifier();
    colorSpace_ = info_.colorSpace;
    scale_ = 0;
    validate();
    opened_ = true;
    type = exif_ && exif_->data ? NifExifFileType::Exif : NifExifFileType::Jpeg;
    info = info_;
    return kNifOk;
}

void NifExifFile::readExifBlock() {
    for (const JpdMarker& marker : decoder_->markers())
        if (marker.code == kApp1 && startsWithExifSignature(marker.data)) {
            exif_ = std::make_unique<ExifBlock>(marker.data);
            if (exif_->data && exif_->data->data && exif_->data->size > 0)
                thumbnail_.bytes.assign(exif_->data->data, exif_->data->data + exif_->data->size);
            return;
        }
}

void NifExifFile::readExtension() {
    NifExifFpxr extension;
    for (const JpdMarker& marker : decoder_->markers())
        if (marker.code == kApp2) extension.addSegment(marker.data);
    screenNail_.bytes = extension.screenNail();
}

int NifExifFile::identifier() const {
    const int components = decoder_->info().components;
    if (components == 1) return kNifGray;
    if (components != 3) return kNifUnsupported;
    uint32_t space = 0;
    if (exif_ && exif_->number(EXIF_IFD_EXIF, EXIF_TAG_COLOR_SPACE, space) && space == 0xFFFF)
        return kNifUncalibratedRGB;
    return kNifRGB;
}

void NifExifFile::validate() {
    results_ = 0;
    if (scheme_ == 0) return;
    if (exif_ && exif_->corrupt) results_ |= kNifExifBlockCorrupt;
    uint32_t width = 0, height = 0;
    if (!thumbnail_.bytes.empty() && !thumbnailInfo(width, height))
        results_ |= kNifThumbnailUnreadable;
    if (exif_ && ((exif_->number(EXIF_IFD_EXIF, EXIF_TAG_PIXEL_X_DIMENSION, width) &&
                   width != info_.width) ||
                  (exif_->number(EXIF_IFD_EXIF, EXIF_TAG_PIXEL_Y_DIMENSION, height) &&
                   height != info_.height)))
        results_ |= kNifSizeDisagrees;
}

void NifExifFile::close() {
    decoder_.reset();
    exif_.reset();
    stream_.reset();
    input_ = Input::None;
    file_ = nullptr;
    thumbnail_ = Embedded{};
    screenNail_ = Embedded{};
    info_ = NifExifImageInfo{};
    results_ = 0;
    opened_ = false;
}

void NifExifFile::releaseInput() {
    if (!opened_) return;
    if (input_ == Input::File && file_) {
        releasedAt_ = static_cast<uint64_t>(std::max<int64_t>(0, qorTell(file_)));
        file_ = nullptr;
    } else if (input_ == Input::Stream && stream_) {
        releasedAt_ = stream_->tell();
        stream_.reset();
    }
    decoder_->releaseInput();
}

int NifExifFile::resumeInput(FILE* file) {
    if (!opened_) return fail(kNifBadState, "the file is not open");
    if (decoder_->hasInput()) return kNifOk;
    switch (input_) {
        case Input::File:
            if (!file || qorSeek(file, static_cast<int64_t>(releasedAt_), SEEK_SET) != 0)
                return fail(kNifCannotOpen, "cannot go back to where reading stopped");
            file_ = file;
            decoder_->setFileInput(file);
            return kNifOk;
        case Input::Stream: {
            QorStreamFactory factory;
            stream_ = factory.create(name_, "rb");
            if (!stream_) return fail(kNifCannotOpen, factory.error().message());
            if (stream_->seek(static_cast<int64_t>(releasedAt_)) != 0)
                return fail(kNifCannotOpen, stream_->errorText());
            decoder_->setStreamInput(stream_.get());
            return kNifOk;
        }
        case Input::Path:
            if (decoder_->setPathInput(path_) != kJpdOk)
                return fail(kNifCannotOpen, decoder_->message());
            return kNifOk;
        default:
            return fail(kNifBadState, "the file is not open");
    }
}

int NifExifFile::setReadSampleFactor(int factor, uint32_t& width, uint32_t& height) {
    if (!opened_) return fail(kNifBadState, "the file is not open");
    int scale = 0;
    while (scale < 3 && (1 << scale) != factor) ++scale;
    if ((1 << scale) != factor)
        return fail(kNifBadArgument, "the sample factor must be 1, 2, 4 or 8");
    if (decoder_->started() && scale != scale_)
        return fail(kNifBadState, "the sample factor cannot change once reading has begun");
    scale_ = scale;
    decoder_->getScaleSize(scale, width, height);
    return kNifOk;
}

int NifExifFile::startDecoding() {
    const JpdColorSpace space = deliveredSpace(colorSpace_, decoder_->info().colorSpace);
    if (decoder_->outputComponents(space) != info_.bands)
        return fail(kNifBadArgument, "colour space " + std::to_string(colorSpace_) +
                                         " cannot be delivered in " + std::to_string(info_.bands) +
                                         " bands");
    decoder_->setScaling(scale_);
    decoder_->setOutputColorSpace(space);
    if (decoder_->setDctMethod(dctMethod_) != kJpdOk || decoder_->start() != kJpdOk)
        return fail(kNifReadFailed, decoder_->message());
    return kNifOk;
}

int NifExifFile::readScanLines(const NifExifChannels& channels, int lines, int& delivered) {
    delivered = 0;
    if (!opened_) return fail(kNifBadState, "the file is not open");
    if (!decoder_->started())
        if (const int status = startDecoding(); status != kNifOk) return status;
    if (decodeInto(*decoder_, channels, info_.bands, lines, rows_, delivered) != kJpdOk)
        return fail(kNifReadFailed, decoder_->message());
    return kNifOk;
}

bool NifExifFile::probe(const Embedded& image, uint32_t& width, uint32_t& height) const {
    if (image.bytes.empty()) return false;
    JpdDecoder decoder;
    decoder.setMemoryInput(image.bytes.data(), image.bytes.size());
    int components = 0;
    if (decoder.getImageInfo(width, height, components) != kJpdOk) return false;
    // The special images come in the main image's colour space and bands.
    const JpdColorSpace space = deliveredSpace(colorSpace_, decoder.info().colorSpace);
    return width > 0 && height > 0 && decoder.outputComponents(space) == info_.bands;
}

bool NifExifFile::thumbnailInfo(uint32_t& width, uint32_t& height) const {
    return probe(thumbnail_, width, height);
}

bool NifExifFile::extendedImageInfo(uint32_t& width, uint32_t& height) const {
    return probe(screenNail_, width, height);
}

int NifExifFile::readEmbedded(const Embedded& image, const NifExifChannels& channels) {
    uint32_t width = 0, height = 0;
    if (!probe(image, width, height)) return fail(kNifNotPresent, "the file has no such image");
    JpdDecoder decoder;
    decoder.setMemoryInput(image.bytes.data(), image.bytes.size());
    int components = 0, delivered = 0;
    decoder.getImageInfo(width, height, components);
    decoder.setOutputColorSpace(deliveredSpace(colorSpace_, decoder.info().colorSpace));
    if (decoder.start() != kJpdOk ||
        decodeInto(decoder, channels, info_.bands, static_cast<int>(height), rows_, delivered) !=
            kJpdOk)
        return fail(kNifReadFailed, decoder.message());
    return kNifOk;
}

int NifExifFile::readThumbnail(const NifExifChannels& channels) {
    return readEmbedded(thumbnail_, channels);
}

int NifExifFile::readExtendedImage(const NifExifChannels& channels) {
    return readEmbedded(screenNail_, channels);
}

bool NifExifFile::genericTag(NifExifIfd ifd, int tag, std::string& value) const {
    const ExifEntry* e = exif_ ? exif_->entry(libexifIfd(ifd), static_cast<ExifTag>(tag)) : nullptr;
    if (!e) return false;
    char text[1024] = {};
    exif_entry_get_value(const_cast<ExifEntry*>(e), text, sizeof text);
    value = text;
    return true;
}

int NifExifFile::iccProfile(std::vector<uint8_t>& profile) const {
    return decoder_ && decoder_->getIccProfile(profile) == kJpdOk ? kNifOk : kNifNotPresent;
}

int NifExifFile::quantTable(int component, uint16_t (&table)[64]) const {
    return decoder_ && decoder_->getQuantTable(component, table) == kJpdOk ? kNifOk
                                                                           : kNifNotPresent;
}
