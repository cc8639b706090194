#include <algorithm>
#include <cstring>
#include <new>

#include "HctImage.h"
#include "HctSdk.h"
#include "HctSignature.h"
#include "JpdDecoder.h"
#include "QorSystem.h"

namespace {

// LibRaw reads this much of a file before anything else.
constexpr int64_t kMinimumFileSize = 64;
// Raw data packs at most this many pixels into a byte, however well it compresses; claims
// beyond it come from damaged headers and would only make LibRaw allocate.
constexpr int64_t kMaxPixelsPerByte = 64;
// Developing may stretch or turn the sensor's pixels into more (non-square pixels, sensors laid
// out diagonally), never into this many times as many.
constexpr uint64_t kMaxDevelopedPerRawPixel = 4;
// What a stream may do for LibRaw, in bytes read, with every call counted as kCallWork bytes and
// every seek as kSeekWork: kWorkPerFileByte times the file's size, and never less than
// kMinimumWork. Real files need a few times their size at most (opening and developing a 24 MB
// DNG reads it once; small files, whose headers dominate, about 5 times), the damaged header
// that loops for ever reaches the floor in 30 ms.
constexpr uint64_t kWorkPerFileByte = 64;
constexpr uint64_t kMinimumWork = uint64_t{16} << 20;
constexpr uint64_t kCallWork = 1;
constexpr uint64_t kSeekWork = 1024;

struct FileCloser {
    void operator()(FILE* file) const { std::fclose(file); }
};

// Looks at the start of the file before LibRaw does: kHctOk or why it is no raw file.
HctStatus screenFile(const std::string& path, int64_t& size) {
    std::unique_ptr<FILE, FileCloser> file(qorOpenFile(path, "rb"));
    if (!file) return kHctUnreadable;
    const std::optional<QorFileStatus> status = qorFileStatus(file.get());
    if (!status || !status->regular) return kHctUnreadable;
    size = static_cast<int64_t>(status->size);
    if (size < kMinimumFileSize) return kHctNotThisFamily;
    uint8_t head[kHctSignatureBytes];
    const size_t got = std::fread(head, 1, sizeof head, file.get());
    return hctForeignSignature(head, got) ? kHctForeignSignature : kHctOk;
}

HctStatus openStatus(int libraw) {
    return libraw == LIBRAW_UNSUFFICIENT_MEMORY ? kHctNoMemory : kHctUnknownFormat;
}

// Opens the file in a LibRaw of its own; the stream must outlive the LibRaw.
HctStatus openRaw(const std::string& path, int64_t padding, std::unique_ptr<HctFileStream>& stream,
                  std::unique_ptr<LibRaw>& raw) {
    stream = std::make_unique<HctFileStream>(path, padding);
    if (!stream->valid()) return kHctUnreadable;
    raw = hctQuietLibRaw();
    if (!raw) return kHctNoMemory;
    const int status = raw->open_datastream(stream.get());
    return status == LIBRAW_SUCCESS ? kHctOk : openStatus(status);
}

// Whether LibRaw still takes the file, for the same camera, when it looks a byte longer.
bool identifiedByHeader(const std::string& path, const LibRaw& raw) {
    std::unique_ptr<HctFileStream> stream;
    std::unique_ptr<LibRaw> probe;
    if (openRaw(path, 1, stream, probe) != kHctOk) return false;
    const libraw_iparams_t& a = raw.imgdata.idata;
    const libraw_iparams_t& b = probe->imgdata.idata;
    return std::strcmp(a.make, b.make) == 0 && std::strcmp(a.model, b.model) == 0;
}

// The one LibRaw decoder that runs libjpeg on a source of its own, out of reach of the stream:
// its warnings would go to stderr.
bool decodesJpegAloud(LibRaw& raw) {
    libraw_decoder_info_t decoder{};
    return raw.get_decoder_info(&decoder) == LIBRAW_SUCCESS && decoder.decoder_name &&
           std::strcmp(decoder.decoder_name, "kodak_jpeg_load_raw()") == 0;
}

DCCameraType cameraTypeOf(LibRaw& raw) {
    const bool dng = raw.imgdata.idata.dng_version != 0;
    if (raw.imgdata.idata.colors == 1) return dng ? DCCameraMonochromeDng : DCCameraMonochrome;
    // LibRaw develops in the camera's own colour when it found no matrix for it.
    const bool calibrated = raw.get_internal_data_pointer()->internal_output_params.raw_color == 0;
    if (calibrated) return dng ? DCCameraDng : DCCameraListed;
    return dng ? DCCameraUncalibratedDng : DCCameraUncalibrated;
}

HctStatus openImage(const std::string& path, HctImageRecord& record) {
    int64_t fileSize = 0;
    const HctStatus screened = screenFile(path, fileSize);
    if (screened != kHctOk) return screened;

    std::lock_guard lock(hctLibRawLock());
    auto image = std::make_unique<HctImage>();
    image->path = path;
    const HctStatus opened = openRaw(path, 0, image->stream, image->raw);
    if (opened != kHctOk) return opened;
    const libraw_image_sizes_t& sizes = image->raw->imgdata.sizes;
    if (int64_t{sizes.raw_width} * sizes.raw_height > fileSize * kMaxPixelsPerByte)
        return kHctDecodeFailed;
    if (!identifiedByHeader(path, *image->raw)) return kHctHeaderless;
    if (decodesJpegAloud(*image->raw)) return kHctUnknownFormat;

    image->cameraType = cameraTypeOf(*image->raw);
    image->flip = image->raw->imgdata.sizes.flip;
    image->fileType = image->raw->imgdata.idata.colors == 1 ? DCGrayImage8 : DCRGBImage24;
    image->type = image->fileType;
    record.make = image->raw->imgdata.idata.make;
    record.model = image->raw->imgdata.idata.model;
    record.image = image.release();
    return kHctOk;
}

// The developed size, as LibRaw works it out for turned and stretched images; it has to be asked
// of a LibRaw that will not develop.
HctStatus measureImage(HctImage& image) {
    std::unique_ptr<HctFileStream> stream;
    std::unique_ptr<LibRaw> raw;
    const HctStatus opened = openRaw(image.path, 0, stream, raw);
    if (opened != kHctOk) return opened;
    if (raw->adjust_sizes_info_only() != LIBRAW_SUCCESS) return kHctDecodeFailed;
    // The turned size is left in the sizes of the interpolated image.
    image.width = raw->imgdata.sizes.iwidth;
    image.height = raw->imgdata.sizes.iheight;
    const uint64_t rawPixels =
        uint64_t{raw->imgdata.sizes.raw_width} * raw->imgdata.sizes.raw_height;
    const uint64_t developed = uint64_t{image.width} * image.height;
    return developed > 0 && developed <= rawPixels * kMaxDevelopedPerRawPixel ? kHctOk
                                                                              : kHctDecodeFailed;
}

bool readRange(const std::string& path, int64_t offset, size_t length,
               std::vector<uint8_t>& bytes) {
    std::unique_ptr<FILE, FileCloser> file(qorOpenFile(path, "rb"));
    bytes.resize(length);
    return file && qorSeek(file.get(), offset, SEEK_SET) == 0 &&
           std::fread(bytes.data(), 1, length, file.get()) == length;
}

// Reads the preview LibRaw found (where, how long, how large) into the image when it is a JPEG
// stream or 8-bit samples that lie inside the file. LibRaw's own preview reader trusts what the
// directories say of its size, so it is not asked.
bool readPreview(HctImage& image) {
    LibRaw& raw = *image.raw;
    const int64_t offset = raw.get_internal_data_pointer()->internal_data.toffset;
    const libraw_thumbnail_t& thumb = raw.imgdata.thumbnail;
    const int64_t available = image.stream->size() - offset;
    if (offset <= 0 || available < 2 || thumb.tlength == 0) return false;
    std::vector<uint8_t>& bytes = image.preview;
    if (!readRange(image.path, offset, 2, bytes)) return false;
    if (bytes[0] == 0xFF && bytes[1] == 0xD8) {
        if (thumb.tlength > available || !readRange(image.path, offset, thumb.tlength, bytes))
            return false;
        JpdDecoder decoder;
        int components = 0;
        if (decoder.setMemoryInput(bytes.data(), bytes.size()) != kJpdOk ||
            decoder.getImageInfo(image.previewWidth, image.previewHeight, components) != kJpdOk)
            return false;
        image.previewColors = components == 1 ? 1 : 3;
        image.thumbnail = HctThumbnailSource::Jpeg;
        return decoder.canProduce(components == 1 ? JpdColorSpace::Grayscale : JpdColorSpace::RGB);
    }
    const unsigned misc = raw.get_internal_data_pointer()->unpacker_data.thumb_misc;
    const int bits = static_cast<int>(misc & 31), colors = static_cast<int>(misc >> 5 & 7);
    const uint64_t length = uint64_t{thumb.twidth} * thumb.theight * colors;
    if (bits != 8 || (colors != 1 && colors != 3) || length == 0 ||
        length > static_cast<uint64_t>(available) ||
        !readRange(image.path, offset, static_cast<size_t>(length), bytes))
        return false;
    image.previewWidth = thumb.twidth;
    image.previewHeight = thumb.theight;
    image.previewColors = colors;
    image.thumbnail = HctThumbnailSource::Bitmap;
    return true;
}

// The thumbnail is the preview, upright, when it is smaller than the image; else the image
// developed at half size.
void chooseThumbnail(HctImage& image) {
    if (readPreview(image)) {
        uint32_t width = image.previewWidth, height = image.previewHeight;
        if (image.flip & 4) std::swap(width, height);
        if (width > 0 && height > 0 &&
            uint64_t{width} * height < uint64_t{image.width} * image.height) {
            image.thumbnailWidth = width;
            image.thumbnailHeight = height;
            return;
        }
    }
    image.thumbnail = HctThumbnailSource::Developed;
    image.preview.clear();
    image.thumbnailWidth = (image.width + 1) / 2;
    image.thumbnailHeight = (image.height + 1) / 2;
}

}  // namespace

// The path goes to LibRaw in the system's own form: its narrow names are the ANSI code page's on
// Windows, where it takes wide ones as well.
HctFileStream::HctFileStream(const std::string& path, int64_t padding)
    : LibRaw_bigfile_datastream(qorFsPath(path).c_str()) {
    const auto fileBytes = static_cast<uint64_t>(std::max<INT64>(_fsize, 0));
    workLimit_ = std::max(kMinimumWork, fileBytes * kWorkPerFileByte);
    _fsize += padding;
}

void HctFileStream::account(uint64_t work) {
    work_ += work;
    if (work_ > workLimit_) throw LIBRAW_EXCEPTION_IO_CORRUPT;
}

int HctFileStream::read(void* buffer, size_t size, size_t count) {
    account(kCallWork + uint64_t{size} * count);
    return LibRaw_bigfile_datastream::read(buffer, size, count);
}

int HctFileStream::seek(INT64 offset, int whence) {
    account(kSeekWork);
    if (whence == SEEK_END) return LibRaw_bigfile_datastream::seek(_fsize + offset, SEEK_SET);
    return LibRaw_bigfile_datastream::seek(offset, whence);
}

int HctFileStream::get_char() {
    account(kCallWork);
    return LibRaw_bigfile_datastream::get_char();
}

char* HctFileStream::gets(char* text, int size) {
    account(kCallWork + static_cast<uint64_t>(std::max(size, 0)));
    return LibRaw_bigfile_datastream::gets(text, size);
}

int HctFileStream::scanf_one(const char* format, void* value) {
    account(kCallWork);
    return LibRaw_bigfile_datastream::scanf_one(format, value);
}

int HctFileStream::componentsAhead() {
    const INT64 start = tell();
    int components = 0;
    uint8_t bytes[10];
    if (read(bytes, 1, 2) == 2 && bytes[0] == 0xFF && bytes[1] == 0xD8) {
        while (read(bytes, 1, 2) == 2 && bytes[0] == 0xFF) {
            int marker = bytes[1];
            while (marker == 0xFF) marker = get_char();  // fill bytes
            if (marker == 0xD9 || marker == 0xDA || read(bytes, 1, 2) != 2) break;
            const int length = bytes[0] << 8 | bytes[1];
            const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 &&
                               marker != 0xC8 && marker != 0xCC;
            if (frame) {
                if (length >= 8 && read(bytes, 1, 6) == 6) components = bytes[5];
                break;
            }
            if (length < 2 || seek(length - 2, SEEK_CUR) != 0) break;
        }
    }
    seek(start, SEEK_SET);
    return components;
}

int HctFileStream::jpeg_src(void* decompress) {
    if (componentsAhead() != jpegComponents_) {
        damagedJpeg_ = true;
        return -1;
    }
    const int status = LibRaw_bigfile_datastream::jpeg_src(decompress);
    auto* cinfo = static_cast<j_decompress_ptr>(decompress);
    cinfo->client_data = this;
    cinfo->err->output_message = [](j_common_ptr) {};
    cinfo->err->emit_message = [](j_common_ptr common, int level) {
        if (level < 0) static_cast<HctFileStream*>(common->client_data)->damagedJpeg_ = true;
    };
    // LibRaw gives up on some damaged data without destroying its decoder; the decoder's memory
    // is then freed here instead.
    if (cinfo->mem->self_destruct != &destroyJpeg) {
        jpegMemory_ = cinfo->mem;
        destroyJpegMemory_ = cinfo->mem->self_destruct;
        cinfo->mem->self_destruct = &destroyJpeg;
    }
    return status;
}

void HctFileStream::destroyJpeg(j_common_ptr decoder) {
    auto* stream = static_cast<HctFileStream*>(decoder->client_data);
    stream->jpegMemory_ = nullptr;
    stream->destroyJpegMemory_(decoder);
}

void HctFileStream::releaseAbandonedJpeg() {
    if (!jpegMemory_) return;
    // The memory manager needs nothing of its decoder but itself.
    jpeg_common_struct abandoned{};
    abandoned.mem = jpegMemory_;
    abandoned.client_data = this;
    destroyJpeg(&abandoned);
}

HctStatus hctSizeImage(HctImage& image) {
    std::lock_guard lock(hctLibRawLock());
    if (image.sized) return kHctOk;
    const HctStatus measured = measureImage(image);
    if (measured != kHctOk) return measured;
    chooseThumbnail(image);
    image.sized = true;
    return kHctOk;
}

std::unique_ptr<LibRaw> hctQuietLibRaw() {
    try {
        return std::make_unique<LibRaw>(LIBRAW_OPIONS_NO_MEMERR_CALLBACK |
                                        LIBRAW_OPIONS_NO_DATAERR_CALLBACK);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

HctStatus hctOpenImageFile(HctDriver* driver, const std::string& path, HctImageRecord* record) {
    if (!record || !hctDriverOpen(driver)) return kHctBadHandle;
    *record = HctImageRecord();
    try {
        return openImage(path, *record);
    } catch (const std::bad_alloc&) {
        return kHctNoMemory;
    }
}

HctStatus hctCloseImage(HctImageRecord* record) {
    if (!record || !record->image) return kHctBadHandle;
    {
        std::lock_guard lock(hctLibRawLock());
        delete record->image;
    }
    *record = HctImageRecord();
    return kHctOk;
}

HctStatus hctGetImageType(HctImageRecord* record) {
    if (!record || !record->image || hctDriverUses() == 0) return kHctBadHandle;
    HctImage& image = *record->image;
    try {
        const HctStatus sized = hctSizeImage(image);
        if (sized != kHctOk) return sized;
    } catch (const std::bad_alloc&) {
        return kHctNoMemory;
    }
    record->imageType = image.type;
    record->cameraType = image.cameraType;
    record->width = image.width;
    record->height = image.height;
    record->thumbnailWidth = image.thumbnailWidth;
    record->thumbnailHeight = image.thumbnailHeight;
    return kHctOk;
}

HctStatus hctSetImageType(HctImageRecord* record, DCImageType type) {
    if (!record || !record->image || hctDriverUses() == 0) return kHctBadHandle;
    if (!hctIsImageType(type)) return kHctBadImageType;
    HctImage& image = *record->image;
    image.type = type == DEFAULT_COLOR_IMAGE_TYPE ? image.fileType : type;
    record->imageType = image.type;
    return kHctOk;
}

HctStatus hctSetProcessingDirectory(HctImageRecord* record, const std::string& folder) {
    if (!record || !record->image || hctDriverUses() == 0) return kHctBadHandle;
    if (folder.empty() || !qorIsDirectory(folder)) return kHctBadDirectory;
    record->image->directory = folder;
    return kHctOk;
}
