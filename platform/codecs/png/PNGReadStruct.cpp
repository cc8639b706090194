#include "PNGReadStruct.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "QorSystem.h"
#include "ZynSettings.h"

namespace {

using PNGStep = void (*)(png_structp png, void* argument);

// The one place libpng's long jump lands. Nothing with a destructor lives in this frame or in
// the steps it runs.
bool runGuarded(png_structp png, PNGStep step, void* argument) {
    if (setjmp(png_jmpbuf(png))) return false;
    step(png, argument);
    return true;
}

struct KeepArguments {
    const png_byte* names;
    int count;
    int keep;
};

struct TransformArguments {
    png_infop info;
    bool expand;
    const PNGReadOptions* options;
    int passes;
};

struct RowArguments {
    png_bytepp rows;
    uint32_t count;
    int passes;
};

void applyTransforms(png_structp png, TransformArguments& a) {
    const PNGReadOptions& o = *a.options;
    const int colorType = png_get_color_type(png, a.info);
    const int depth = png_get_bit_depth(png, a.info);
    const bool color = (colorType & PNG_COLOR_MASK_COLOR) != 0;
    // Palettes always come out as RGB, so the colour-only options treat them as RGB.
    const bool opaqueColor = colorType == PNG_COLOR_TYPE_RGB ||
                             (colorType == PNG_COLOR_TYPE_PALETTE &&
                              !(a.expand && png_get_valid(png, a.info, PNG_INFO_tRNS)));
    if (a.expand) {
        if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
        if (colorType == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(png);
        if (png_get_valid(png, a.info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
    }
    if (o.to8Bit && depth == 16) png_set_strip_16(png);
    if (o.noAlpha) png_set_strip_alpha(png);
    if (o.invertAlpha) png_set_invert_alpha(png);
    if (depth < 8) png_set_packing(png);
    if (o.rgbToBgr && color) png_set_bgr(png);
    if (o.postFill && opaqueColor) png_set_filler(png, 0xFFFF, PNG_FILLER_AFTER);
    if (o.preFill && opaqueColor) png_set_filler(png, 0xFFFF, PNG_FILLER_BEFORE);
    if (o.alphaFirst) png_set_swap_alpha(png);
    if (o.grayToColor && !color) png_set_gray_to_rgb(png);
    if (o.colorToGray && color) png_set_rgb_to_gray(png, PNG_ERROR_ACTION_WARN, -1, -1);
    if (o.invertGray) png_set_invert_mono(png);
    // Callers get 16-bit samples in the host's order.
    if (depth == 16 && !o.to8Bit && std::endian::native == std::endian::little) png_set_swap(png);
    a.passes = png_set_interlace_handling(png);
    png_read_update_info(png, a.info);
}

}  // namespace

PNGReadStruct::PNGReadStruct() {
    png_ = png_create_read_struct(PNG_LIBPNG_VER_STRING, this, onError, onWarning);
    if (!png_) {
        std::snprintf(lastError_, sizeof lastError_, "%s", "cannot create libpng's read structure");
        return;
    }
    // libpng only warns when the zlib checksum is wrong, and the chunk CRCs already guard the
    // data, so computing the checksum would be wasted time.
    png_set_option(png_, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
    png_set_chunk_malloc_max(png_,
                             static_cast<png_alloc_size_t>(ZynSettings::get().maxDecodeBytes));
    limitChunksTo(UINT64_MAX);
    info_ = png_create_info_struct(png_);
    endInfo_ = png_create_info_struct(png_);
    if (!hasInfo())
        std::snprintf(lastError_, sizeof lastError_, "%s", "cannot create libpng's info structure");
}

uint64_t pngBytesLeft(FILE* file) {
    const int64_t at = qorTell(file);
    const std::optional<QorFileStatus> status = qorFileStatus(file);
    if (at < 0 || !status || !status->regular) return ZynSettings::get().maxDecodeBytes;
    return status->size > static_cast<uint64_t>(at) ? status->size - static_cast<uint64_t>(at) : 0;
}

void PNGReadStruct::readFromFile(FILE* file) {
    png_set_read_fn(png_, file, readFile);
    limitChunksTo(pngBytesLeft(file));
}

void PNGReadStruct::limitChunksTo(uint64_t inputBytes) {
    inputBytes_ = std::min(inputBytes, ZynSettings::get().maxDecodeBytes);
    bytesRead_ = 0;
    nextHeader_ = 8;
}

void PNGReadStruct::readFile(png_structp png, png_bytep data, size_t length) {
    if (std::fread(data, 1, length, static_cast<FILE*>(png_get_io_ptr(png))) != length)
        png_error(png, "Read Error");
    watchRead(png, data, length);
}

void PNGReadStruct::watchRead(png_structp png, png_const_bytep data, size_t length) {
    auto* self = static_cast<PNGReadStruct*>(png_get_error_ptr(png));
    const uint64_t at = self->bytesRead_;
    self->bytesRead_ += length;
    // libpng reads each chunk's length and name in one piece.
    if (at != self->nextHeader_ || length < 8) return;
    const uint64_t claimed = png_get_uint_32(data);
    self->nextHeader_ = at + 8 + claimed + 4;
    if (self->nextHeader_ <= self->inputBytes_) return;
    char message[160];
    std::snprintf(
        message, sizeof message,
        "%.4s chunk claims %llu bytes, more than the %llu bytes left of the input",
        reinterpret_cast<const char*>(data + 4), static_cast<unsigned long long>(claimed),
        static_cast<unsigned long long>(self->inputBytes_ - std::min(self->inputBytes_, at + 8)));
    png_error(png, message);
}

PNGReadStruct::~PNGReadStruct() {
    if (png_)
        png_destroy_read_struct(&png_, info_ ? &info_ : nullptr, endInfo_ ? &endInfo_ : nullptr);
}

void PNGReadStruct::onError(png_structp png, png_const_charp message) {
    auto* self = static_cast<PNGReadStruct*>(png_get_error_ptr(png));
    std::snprintf(self->lastError_, sizeof self->lastError_, "%s", message ? message : "");
    png_longjmp(png, 1);
}

// Warnings change nothing the reader does; libpng would otherwise print them.
void PNGReadStruct::onWarning(png_structp, png_const_charp) {}

bool PNGReadStruct::keepChunks(const png_byte* names, int count, bool keep) {
    KeepArguments a{names, count, keep ? PNG_HANDLE_CHUNK_ALWAYS : PNG_HANDLE_CHUNK_NEVER};
    return runGuarded(
        png_,
        [](png_structp png, void* p) {
            auto* k = static_cast<KeepArguments*>(p);
            png_set_keep_unknown_chunks(png, k->keep, k->names, k->count);
        },
        &a);
}

bool PNGReadStruct::readInfo() {
    if (!runGuarded(
            png_,
            [](png_structp png, void* info) { png_read_info(png, static_cast<png_infop>(info)); },
            info_))
        return false;
    storedImageBytes_ = uint64_t{height()} * (png_get_rowbytes(png_, info_) + 1);
    bytesLeftAfterHeader_ = inputBytes_ - std::min(inputBytes_, bytesRead_);
    return true;
}

bool PNGReadStruct::tooShortForItsImage() const {
    // Deflate never packs more than about 1032 bytes into one.
    constexpr uint64_t kBestDeflateRatio = 1040;
    return storedImageBytes_ / kBestDeflateRatio > bytesLeftAfterHeader_;
}

int PNGReadStruct::setTransforms(bool expand, const PNGReadOptions& options) {
    TransformArguments a{info_, expand, &options, 0};
    const bool done = runGuarded(
        png_,
        [](png_structp png, void* p) {
            applyTransforms(png, *static_cast<TransformArguments*>(p));
        },
        &a);
    return done ? a.passes : 0;
}

bool PNGReadStruct::readRows(png_bytepp rows, uint32_t count, int passes) {
    RowArguments a{rows, count, passes};
    return runGuarded(
        png_,
        [](png_structp png, void* p) {
            auto* r = static_cast<RowArguments*>(p);
            for (int pass = 0; pass < r->passes; ++pass)
                png_read_rows(png, r->rows, nullptr, r->count);
        },
        &a);
}

bool PNGReadStruct::readEnd() {
    return runGuarded(
        png_, [](png_structp png, void* info) { png_read_end(png, static_cast<png_infop>(info)); },
        endInfo_);
}

PNGLeadingChunks PNGReadStruct::leadingChunks() const {
    PNGLeadingChunks found;
    png_unknown_chunkp chunks = nullptr;
    const int count = png_get_unknown_chunks(png_, info_, &chunks);
    for (int i = 0; i < count; ++i) {
        const png_unknown_chunk& c = chunks[i];
        if (std::memcmp(c.name, kPNGTagChunk, 4) == 0 && c.size == 0) found.hasTag = true;
        if (std::memcmp(c.name, kPNGReducedChunk, 4) == 0 && c.size == 8) {
            // Least significant byte first, unlike the rest of the file.
            auto le32 = [](const png_byte* b) {
                return uint32_t{b[0]} | uint32_t{b[1]} << 8 | uint32_t{b[2]} << 16 |
                       uint32_t{b[3]} << 24;
            };
            found.hasReducedRes = true;
            found.reducedWidth = le32(c.data);
            found.reducedHeight = le32(c.data + 4);
        }
    }
    return found;
}

bool PNGReadStruct::pixelsPerMeter(uint32_t& x, uint32_t& y) const {
    png_uint_32 px = 0, py = 0;
    int unit = PNG_RESOLUTION_UNKNOWN;
    if (!png_get_pHYs(png_, info_, &px, &py, &unit) || unit != PNG_RESOLUTION_METER || px == 0 ||
        py == 0)
        return false;
    x = px;
    y = py;
    return true;
}
