#include "ImageWriter.h"

#include <png.h>

#include <algorithm>
#include <cstring>

#include "QorError.h"
#include "QorSystem.h"
#include "ZynError.h"

struct ImageWriter::Png {
    png_structp png = nullptr;
    png_infop info = nullptr;
    char message[256] = "";

    ~Png() {
        if (png) png_destroy_write_struct(&png, info ? &info : nullptr);
    }
};

namespace {

// libpng reports errors by long-jumping back to the setjmp of the call that failed; these calls
// keep C++ objects out of the frames it jumps over.
void onPngError(png_structp png, png_const_charp message) {
    auto* text = static_cast<char*>(png_get_error_ptr(png));
    std::snprintf(text, 256, "%s", message);
    png_longjmp(png, 1);
}

void onPngWarning(png_structp, png_const_charp) {}

bool pngWriteHeader(png_structp png, png_infop info, FILE* file, png_uint_32 width,
                    png_uint_32 height, int depth, int colorType) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_init_io(png, file);
    png_set_IHDR(png, info, width, height, depth, colorType, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, 3);
    png_write_info(png, info);
    // Rows hold 16-bit samples in host order.
    if (depth == 16) png_set_swap(png);
    return true;
}

bool pngWriteRow(png_structp png, png_const_bytep row) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_write_row(png, row);
    return true;
}

bool pngWriteEnd(png_structp png, png_infop info) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_write_end(png, info);
    return true;
}

bool endsWith(const std::string& text, const std::string& suffix) {
    if (text.size() < suffix.size()) return false;
    std::string tail = text.substr(text.size() - suffix.size());
    std::transform(tail.begin(), tail.end(), tail.begin(), ::tolower);
    return tail == suffix;
}

}  // namespace

ImageWriter::ImageWriter(const std::string& path, uint32_t width, uint32_t height,
                         const DisplayConversion& conversion)
    : path_(path),
      width_(width),
      height_(height),
      conversion_(conversion),
      file_(nullptr, &std::fclose) {
    if (endsWith(path, ".png"))
        kind_ = Kind::Png;
    else if (endsWith(path, ".ppm"))
        kind_ = Kind::Ppm;
    else if (endsWith(path, ".pgm"))
        kind_ = Kind::Pgm;
    else
        throw ZynError(13, "The output must end in .png, .ppm, .pgm or .tif: " + path);
    const int values = conversion.outBands();
    outBands_ = kind_ == Kind::Png ? values : kind_ == Kind::Ppm ? 3 : 1;
    if ((kind_ == Kind::Ppm && values < 3) || (kind_ == Kind::Pgm && values > 2))
        throw ZynError(13, "A " + std::string(kind_ == Kind::Ppm ? "PPM" : "PGM") +
                               " file cannot hold an image of " + std::to_string(values) +
                               " bands; write a PNG");
    outBytes_ = conversion.outBits() / 8;
    rowsAsTheyAre_ = conversion.keepsBytes() && outBands_ == values;
    values_.resize(static_cast<size_t>(width) * values);
    row_.resize(static_cast<size_t>(width) * outBands_ * outBytes_);

    // An existing file is written over in place and cut to its new length at the end. Cut to
    // nothing first, its blocks would be freed, and the file system would write all the new ones
    // out at the close instead of in the background.
    overwrites_ = qorIsRegularFile(path);
    if (overwrites_) file_.reset(qorOpenFile(path, "r+b"));
    if (!file_) {
        overwrites_ = false;
        file_.reset(qorOpenFile(path, "wb"));
    }
    if (!file_)
        throw ZynError(130, "Cannot write \"" + path + "\": " + QorError::lastOsErrorText());
    if (kind_ == Kind::Png) {
        png_ = std::make_unique<Png>();
        png_->png =
            png_create_write_struct(PNG_LIBPNG_VER_STRING, png_->message, onPngError, onPngWarning);
        if (png_->png) png_->info = png_create_info_struct(png_->png);
        static const int kColorTypes[] = {PNG_COLOR_TYPE_GRAY, PNG_COLOR_TYPE_GRAY_ALPHA,
                                          PNG_COLOR_TYPE_RGB, PNG_COLOR_TYPE_RGB_ALPHA};
        if (!png_->info || !pngWriteHeader(png_->png, png_->info, file_.get(), width, height,
                                           8 * outBytes_, kColorTypes[outBands_ - 1]))
            throw ZynError(130, "Cannot write PNG \"" + path + "\": " + png_->message);
    } else {
        std::fprintf(file_.get(), "P%c\n%u %u\n%d\n", kind_ == Kind::Ppm ? '6' : '5', width, height,
                     outBytes_ == 1 ? 255 : 65535);
    }
}

// A file left unfinished keeps nothing of what it held before.
ImageWriter::~ImageWriter() {
    if (!file_) return;
    std::fflush(file_.get());
    endsAtWrittenSize(file_.get());
}

bool ImageWriter::endsAtWrittenSize(FILE* file) const {
    return !overwrites_ || qorSetFileSize(file, static_cast<uint64_t>(qorTell(file))) == 0;
}

const unsigned char* ImageWriter::encodeRow(const ZynRectBuffer& strip, int64_t y) {
    const std::byte* pixels = strip.at(strip.rect().x, y);
    if (rowsAsTheyAre_) return reinterpret_cast<const unsigned char*>(pixels);
    conversion_.convert(pixels, width_, values_.data());
    const bool bigEndian = kind_ != Kind::Png;
    if (outBytes_ == 1)
        packRow<1, false>();
    else if (bigEndian)
        packRow<2, true>();
    else
        packRow<2, false>();
    return row_.data();
}

// One loop per sample width and byte order: the writer's thread packs every row of the picture.
template <int Bytes, bool BigEndian>
void ImageWriter::packRow() {
    const auto put = [](unsigned char*& out, uint16_t v) {
        if constexpr (Bytes == 1) {
            *out++ = static_cast<unsigned char>(v);
        } else if constexpr (BigEndian) {
            *out++ = static_cast<unsigned char>(v >> 8);
            *out++ = static_cast<unsigned char>(v & 0xFF);
        } else {
            std::memcpy(out, &v, 2);
            out += 2;
        }
    };
    const size_t values = static_cast<size_t>(conversion_.outBands());
    const uint16_t* pixel = values_.data();
    unsigned char* out = row_.data();
    if (values == static_cast<size_t>(outBands_)) {
        const uint16_t* end = pixel + static_cast<size_t>(width_) * values;
        while (pixel != end) put(out, *pixel++);
        return;
    }
    for (uint32_t x = 0; x < width_; ++x, pixel += values)
        for (int b = 0; b < outBands_; ++b) put(out, pixel[b]);
}

void ImageWriter::write(const ZynRectBuffer& strip) {
    for (int64_t y = strip.rect().y; y < strip.rect().bottom(); ++y) {
        const unsigned char* row = encodeRow(strip, y);
        if (png_) {
            if (!pngWriteRow(png_->png, row))
                throw ZynError(130, "Cannot write PNG \"" + path_ + "\": " + png_->message);
        } else if (std::fwrite(row, 1, row_.size(), file_.get()) != row_.size()) {
            throw ZynError(130, "Cannot write \"" + path_ + "\": " + QorError::lastOsErrorText());
        }
    }
}

void ImageWriter::finish() {
    if (png_ && !pngWriteEnd(png_->png, png_->info))
        throw ZynError(130, "Cannot write PNG \"" + path_ + "\": " + png_->message);
    png_.reset();
    FILE* file = file_.release();
    if (std::fflush(file) != 0 || std::ferror(file) || !endsAtWrittenSize(file)) {
        std::fclose(file);
        throw ZynError(130, "Cannot write \"" + path_ + "\": " + QorError::lastOsErrorText());
    }
    if (std::fclose(file) != 0)
        throw ZynError(130, "Cannot write \"" + path_ + "\": " + QorError::lastOsErrorText());
}
