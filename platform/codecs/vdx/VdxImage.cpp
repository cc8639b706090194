#include "VdxImage.h"

#include <bit>
#include <cerrno>
#include <cstring>

#include "VdxColor.h"
#include "VdxLayout.h"

namespace {

struct Span {
    int64_t x0, y0, x1, y1;

    int64_t width() const { return x1 - x0; }
    int64_t height() const { return y1 - y0; }
};

// A stored-orientation part of a level with its chroma upsampled: one sample per pixel and
// plane, `width` samples per row.
struct Window {
    int64_t width = 0;
    std::vector<uint8_t> y, c1, c2;
};

// Where the window holds the delivered rectangle's first pixel, and how far one pixel to the
// right and one row down in the delivered picture move in the window.
struct Walk {
    int64_t start, stepX, stepY;
};

// The stored part of a level that a delivered rectangle shows after `rotation` quarter turns,
// and how to walk it in delivered order.
Span storedSpan(const Span& shown, int rotation, const VdxLevel& level, Walk& walk) {
    const int64_t w = level.width, h = level.height;
    switch (rotation) {
        case 1: {  // counter-clockwise: shown (x, y) is stored (w - 1 - y, x)
            const Span s{w - shown.y1, shown.x0, w - shown.y0, shown.x1};
            walk = {s.width() - 1, s.width(), -1};
            return s;
        }
        case 2: {  // half turn: shown (x, y) is stored (w - 1 - x, h - 1 - y)
            const Span s{w - shown.x1, h - shown.y1, w - shown.x0, h - shown.y0};
            walk = {s.width() * s.height() - 1, -1, -s.width()};
            return s;
        }
        case 3: {  // clockwise: shown (x, y) is stored (y, h - 1 - x)
            const Span s{shown.y0, h - shown.x1, shown.y1, h - shown.x0};
            walk = {(s.height() - 1) * s.width(), -s.width(), 1};
            return s;
        }
        default:
            walk = {0, 1, shown.width()};
            return shown;
    }
}

// Averages the co-sited chroma samples around a pixel: rows a and b, columns j and k are equal
// on even rows and columns, neighbours on odd ones.
uint8_t interpolate(const uint8_t* a, const uint8_t* b, int64_t j, int64_t k) {
    return static_cast<uint8_t>((a[j] + a[k] + b[j] + b[k] + 2) >> 2);
}

// Fills the window from the row pairs of the level starting at pair `firstPair`.
void fillWindow(const std::vector<uint8_t>& pairs, int64_t firstPair, const VdxLevel& level,
                const Span& s, bool chroma, Window& window) {
    const int64_t w = level.width, pairBytes = 3 * w, lastPair = level.height / 2 - 1;
    const int64_t lastChroma = w / 2 - 1;
    const size_t samples = static_cast<size_t>(s.width() * s.height());
    window.width = s.width();
    window.y.resize(samples);
    if (chroma) {
        window.c1.resize(samples);
        window.c2.resize(samples);
    }
    size_t i = 0;
    for (int64_t sy = s.y0; sy < s.y1; ++sy) {
        const int64_t pair = sy / 2;
        const uint8_t* base = pairs.data() + (pair - firstPair) * pairBytes;
        const uint8_t* luma = base + (sy % 2) * w;
        std::memcpy(&window.y[i], luma + s.x0, static_cast<size_t>(s.width()));
        if (chroma) {
            const int64_t below = sy % 2 && pair < lastPair ? pair + 1 : pair;
            const uint8_t* c1a = base + 2 * w;
            const uint8_t* c1b = pairs.data() + (below - firstPair) * pairBytes + 2 * w;
            const uint8_t* c2a = c1a + w / 2;
            const uint8_t* c2b = c1b + w / 2;
            for (int64_t sx = s.x0; sx < s.x1; ++sx) {
                const int64_t j = sx / 2;
                const int64_t k = sx % 2 && j < lastChroma ? j + 1 : j;
                const size_t at = i + static_cast<size_t>(sx - s.x0);
                window.c1[at] = interpolate(c1a, c1b, j, k);
                window.c2[at] = interpolate(c2a, c2b, j, k);
            }
        }
        i += static_cast<size_t>(s.width());
    }
}

// Writes each delivered pixel with `put(out, index into the window)`.
template <class Put>
void emit(const Window& window, const Walk& walk, int64_t width, int64_t height,
          int64_t pixelStride, int64_t lineStride, uint8_t* destination, Put put) {
    for (int64_t row = 0; row < height; ++row) {
        uint8_t* out = destination + row * lineStride;
        int64_t at = walk.start + row * walk.stepY;
        for (int64_t column = 0; column < width; ++column) {
            put(out, static_cast<size_t>(at));
            out += pixelStride;
            at += walk.stepX;
        }
    }
}

int bandsOf(int format) {
    return format == kVdxLuminance ? 1 : 3;
}

}  // namespace

int VdxImage::open(const std::string& path) {
    close();
    const int descriptor = qorOpenReadOnly(path);
    if (descriptor < 0) return errno;
    owned_.reset(descriptor);
    const int status = attach(descriptor);
    if (status != kVdxOk) owned_.reset();
    return status;
}

int VdxImage::open(int16_t descriptor) {
    close();
    return attach(descriptor);
}

int VdxImage::attach(int descriptor) {
    const std::optional<QorFileStatus> file = qorFileStatus(descriptor);
    if (!file) return errno;
    const uint64_t fileSize = file->size;
    if (fileSize <= kVdxAttributesOffset) return kVdxShortHeader;
    descriptor_ = descriptor;
    uint8_t signature[kVdxSignatureSize];
    uint8_t attributes = 0;
    int status = readAt(kVdxSignatureOffset, signature, sizeof signature);
    if (status == kVdxOk && !vdxHasSignature(signature, sizeof signature)) status = kVdxNotPack;
    if (status == kVdxOk) status = readAt(kVdxAttributesOffset, &attributes, 1);
    const std::optional<int> rotation = vdxRotation(attributes);
    if (status == kVdxOk && !rotation) status = kVdxBadAttributes;
    present_ = 0;
    for (int index = kVdxFirstLevel; index <= kVdxBaseLevel; ++index)
        if (vdxLevel(index)->end() <= fileSize) present_ |= 1u << index;
    if (status == kVdxOk && present_ == 0) status = kVdxNoLevel;
    if (status != kVdxOk) {
        descriptor_ = -1;
        return status;
    }
    storedRotation_ = *rotation;
    format_ = kVdxRGB;
    mode_ = 0;
    selected_ = 0;
    pixelStride_ = lineStride_ = 0;
    return kVdxOk;
}

void VdxImage::close() {
    descriptor_ = -1;
    owned_.reset();
    present_ = 0;
}

int VdxImage::config(VdxConfig& config) const {
    if (!isOpen()) return kVdxNotOpen;
    config.format = format_;
    config.planes = kVdxInterleaved;
    return kVdxOk;
}

int VdxImage::setColorFormat(int format) {
    if (!isOpen()) return kVdxNotOpen;
    if (format != kVdxLuminance && format != kVdxRGB && format != kVdxYCC) return kVdxBadFormat;
    format_ = format;
    return kVdxOk;
}

int VdxImage::rotation() const {
    return mode_ & kVdxFollowRotation ? storedRotation_ : 0;
}

uint16_t VdxImage::orientationFlags() const {
    const int turns = rotation();
    return static_cast<uint16_t>(turns | (turns % 2 ? kVdxSwapped : 0));
}

void VdxImage::availableResolutions(uint32_t& mask, int& count) const {
    mask = present_;
    count = std::popcount(present_);
}

void VdxImage::resolutionSize(int index, uint16_t& width, uint16_t& height) const {
    const VdxLevel* level = vdxLevel(index);
    width = level ? static_cast<uint16_t>(level->width) : 0;
    height = level ? static_cast<uint16_t>(level->height) : 0;
}

void VdxImage::setStrides(int64_t pixelStride, int64_t lineStride) {
    pixelStride_ = pixelStride;
    lineStride_ = lineStride;
}

int VdxImage::readAt(uint64_t offset, uint8_t* to, size_t size) const {
    while (size > 0) {
        const int64_t got = qorReadAt(descriptor_, to, size, offset);
        if (got < 0) return errno;
        if (got == 0) return kVdxShortRead;
        to += got;
        offset += static_cast<uint64_t>(got);
        size -= static_cast<size_t>(got);
    }
    return kVdxOk;
}

int VdxImage::readRectangle(const VdxRect& rect, uint8_t* destination) const {
    if (!isOpen()) return kVdxNotOpen;
    const VdxLevel* level = vdxLevel(selected_);
    if (!level || !(present_ & (1u << selected_))) return kVdxLevelMissing;
    const int turns = rotation();
    const int64_t shownWidth = turns % 2 ? level->height : level->width;
    const int64_t shownHeight = turns % 2 ? level->width : level->height;
    const Span shown{rect.x0, rect.y0, rect.x1, rect.y1};
    if (shown.x0 < 0 || shown.y0 < 0 || shown.x0 >= shown.x1 || shown.y0 >= shown.y1 ||
        shown.x1 > shownWidth || shown.y1 > shownHeight)
        return kVdxBadRectangle;
    const int bands = bandsOf(format_);
    if (pixelStride_ < bands || lineStride_ < pixelStride_ * shown.width()) return kVdxBadStrides;

    Walk walk{};
    const Span stored = storedSpan(shown, turns, *level, walk);
    // Odd rows interpolate chroma with the next row pair, when there is one.
    const int64_t firstPair = stored.y0 / 2;
    const int64_t lastPair = std::min<int64_t>(stored.y1 / 2, level->height / 2 - 1);
    std::vector<uint8_t> pairs(static_cast<size_t>((lastPair - firstPair + 1) * 3 * level->width));
    const int status = readAt(level->offset + static_cast<uint64_t>(firstPair) * 3 * level->width,
                              pairs.data(), pairs.size());
    if (status != kVdxOk) return status;

    Window window;
    fillWindow(pairs, firstPair, *level, stored, format_ != kVdxLuminance, window);
    const auto run = [&](auto put) {
        emit(window, walk, shown.width(), shown.height(), pixelStride_, lineStride_, destination,
             put);
    };
    switch (format_) {
        case kVdxLuminance:
            run([&](uint8_t* out, size_t at) { out[0] = window.y[at]; });
            break;
        case kVdxYCC:
            run([&](uint8_t* out, size_t at) {
                out[0] = window.y[at];
                out[1] = window.c1[at];
                out[2] = window.c2[at];
            });
            break;
        default: {
            const VdxYccToRgb& rgb = VdxYccToRgb::get();
            run([&](uint8_t* out, size_t at) {
                rgb.convert(window.y[at], window.c1[at], window.c2[at], out);
            });
        }
    }
    return kVdxOk;
}

std::string VdxImage::statusText(int status) {
    switch (status) {
        case kVdxOk:
            return "no error";
        case kVdxNotPack:
            return "not an image pack: no \"VDX_IPI\" signature";
        case kVdxShortHeader:
            return "the file ends inside the image-pack header";
        case kVdxBadAttributes:
            return "the image attributes name a resolution the format does not define";
        case kVdxNoLevel:
            return "the file ends before its smallest resolution is complete";
        case kVdxNotOpen:
            return "no image pack is open";
        case kVdxBadFormat:
            return "unknown colour format";
        case kVdxLevelMissing:
            return "the selected resolution is not in the file";
        case kVdxBadRectangle:
            return "the rectangle is not inside the selected resolution";
        case kVdxBadStrides:
            return "the strides overlap the samples of neighbouring pixels or rows";
        case kVdxShortRead:
            return "the file ends inside the selected resolution";
        default:
            return status > 0 ? std::strerror(status) : "unknown status " + std::to_string(status);
    }
}
