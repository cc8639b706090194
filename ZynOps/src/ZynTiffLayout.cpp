#include "ZynTiffLayout.h"

#include <tiff.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>
#include <type_traits>

#include "ZynDecodeBudget.h"
#include "ZynError.h"
#include "ZynSettings.h"

namespace {

std::optional<ZynDataType> dataTypeFor(uint32_t roundedBits, uint16_t format) {
    const bool isUnsigned = format == SAMPLEFORMAT_UINT;
    const bool isSigned = format == SAMPLEFORMAT_INT;
    const bool isFloat = format == SAMPLEFORMAT_IEEEFP;
    switch (roundedBits) {
        case 8:
            if (isUnsigned || isSigned) return ZynDataType::UInt8;
            break;
        case 16:
            if (isUnsigned) return ZynDataType::UInt16;
            if (isSigned) return ZynDataType::Int16;
            break;
        case 32:
            if (isUnsigned) return ZynDataType::UInt32;
            if (isSigned) return ZynDataType::Int32;
            if (isFloat) return ZynDataType::Float32;
            break;
        case 64:
            if (isFloat) return ZynDataType::Float64;
            break;
    }
    return std::nullopt;
}

bool isSubsamplingFactor(uint16_t factor) {
    return factor == 1 || factor == 2 || factor == 4;
}

template <class T>
uint64_t ceilDiv(uint64_t a, T b) {
    return (a + b - 1) / b;
}

}  // namespace

ZynTiffLayout ZynTiffLayout::describe(const ZynTiffDirectory& d, const std::string& fileName) {
    ZynTiffLayout l;
    l.width_ = d.width;
    l.height_ = d.height;
    l.tiled_ = d.tiled;
    l.bits_ = d.bitsPerSample.value_or(1);
    const uint16_t format = d.sampleFormat.value_or(SAMPLEFORMAT_UINT);
    l.signed_ = format == SAMPLEFORMAT_INT;
    const uint32_t rounded = (uint32_t{l.bits_} + 7) & ~7u;
    if (rounded == 8 || rounded == 16 || rounded == 32 || rounded == 64) {
        const auto type = dataTypeFor(rounded, format);
        if (!type)
            throw ZynError(
                130,
                "Invalid SampleFormat/data type specification in ZynTiffImageSourceOp." + fileName);
        l.dataType_ = *type;
    } else {
        l.readable_ = false;
    }
    // TIFF defines one sample per pixel when the tag is absent.
    l.bands_ = d.samplesPerPixel.value_or(1);
    l.planar_ = d.planarConfig != PLANARCONFIG_CONTIG;

    uint32_t tileWidth = 0, tileHeight = 0;
    if (d.tiled) {
        if (!d.tileWidth || *d.tileWidth == 0)
            throw ZynError(
                130,
                "ZynTiffImageSourceOp can't get tiff tag TIFFTAG_TILEWIDTH in file." + fileName);
        if (!d.tileLength || *d.tileLength == 0)
            throw ZynError(
                130,
                "ZynTiffImageSourceOp can't get tiff tag TIFFTAG_TILELENGTH in file." + fileName);
        l.chunkWidth_ = tileWidth = *d.tileWidth;
        l.chunkHeight_ = tileHeight = *d.tileLength;
    } else {
        uint32_t rowsPerStrip = d.rowsPerStrip.value_or(d.height);
        if (rowsPerStrip == 0 || rowsPerStrip > d.height) rowsPerStrip = d.height;
        const uint32_t minimum = std::max<uint32_t>(ZynSettings::get().minTileHeight, 1);
        const uint32_t stripsPerTile =
            rowsPerStrip < minimum ? (minimum - 1) / rowsPerStrip + 1 : 1;
        l.chunkWidth_ = tileWidth = d.width;
        l.chunkHeight_ = rowsPerStrip;
        tileHeight = static_cast<uint32_t>(
            std::min<uint64_t>(uint64_t{rowsPerStrip} * stripsPerTile, d.height));
    }

    if (d.photometric == PHOTOMETRIC_YCBCR && l.bands_ == 3 && !l.planar_ &&
        (d.ycbcrHorizontal != 1 || d.ycbcrVertical != 1)) {
        if (l.bits_ != 8 || !isSubsamplingFactor(d.ycbcrHorizontal) ||
            !isSubsamplingFactor(d.ycbcrVertical))
            throw ZynError(135,
                           "Subsampled YCbCr samples must have 8 bits and factors of 1, 2 or 4 in "
                           "tiff image file " +
                               fileName);
        l.subsampleH_ = d.ycbcrHorizontal;
        l.subsampleV_ = d.ycbcrVertical;
    }

    // Native tiles beyond the budget are refused: a damaged file must not make anyone allocate
    // more.
    ZynDecodeBudget::require(fileName,
                             "a native tile of " + std::to_string(tileWidth) + "x" +
                                 std::to_string(tileHeight) + " pixels",
                             ZynDecodeBudget::product({tileWidth, tileHeight, uint64_t(l.bands_),
                                                       zynSampleSize(l.dataType_)}));
    // Decoding into a layout the library does not produce would garble or overrun.
    if (l.chunkBytes(l.chunkHeight_) != d.libraryChunkBytes)
        throw ZynError(135, "Unsupported sample layout in tiff image file " + fileName);

    l.nativeTile_ =
        std::make_shared<ZynSimpleDataOrg>(tileWidth, tileHeight, l.dataType_, l.bands_,
                                           l.planar_ ? ZynInterleave::Band : ZynInterleave::Pixel);
    return l;
}

ZynColorSpacePtr ZynTiffLayout::colorSpace(const ZynTiffDirectory& d) const {
    if (!d.photometric)
        throw ZynError(130,
                       "Bad tiff directory in ZynTiffImageSourceOp::getColorSpace - missing "
                       "required tag TIFFTAG_PHOTOMETRIC.");
    const auto [low, high] = naturalRange();
    double minimum = std::max(d.minSampleValue.value_or(low), low);
    double maximum = std::min(d.maxSampleValue.value_or(high), high);
    if (maximum <= minimum) minimum = low, maximum = high;

    const int b = bands_;
    const auto generic = [&] {
        return std::make_shared<ZynGenericColorSpace>(b, minimum, maximum);
    };
    switch (*d.photometric) {
        case PHOTOMETRIC_MINISWHITE:
        case PHOTOMETRIC_MINISBLACK:
            if (b == 1) return std::make_shared<ZynLumColorSpace>(minimum, maximum);
            if (b == 2 && d.firstExtraSample != 0)
                return std::make_shared<ZynLumAColorSpace>(minimum, maximum);
            return generic();
        case PHOTOMETRIC_RGB:
            if (b == 4) return std::make_shared<ZynRGBAColorSpace>(minimum, maximum);
            if (b == 3) return std::make_shared<ZynRGBColorSpace>(minimum, maximum);
            return generic();
        case PHOTOMETRIC_PALETTE:
            throw ZynError(3, "palette color TIFF images are not supported");
        case PHOTOMETRIC_SEPARATED:
            if (b >= 4) return std::make_shared<ZynCMYKColorSpace>(minimum, maximum);
            if (b == 3) return std::make_shared<ZynCMYColorSpace>(minimum, maximum);
            return generic();
        case PHOTOMETRIC_YCBCR:
            if (b == 4) return std::make_shared<ZynYCbCrAColorSpace>(minimum, maximum);
            if (b == 3) return std::make_shared<ZynYCbCrColorSpace>(minimum, maximum);
            return generic();
        default:
            return generic();
    }
}

std::pair<double, double> ZynTiffLayout::naturalRange() const {
    const bool integer = dataType_ != ZynDataType::Float32 && dataType_ != ZynDataType::Float64;
    // Samples narrower than their type keep their own values, so their range is their own.
    if (integer && readable_ && bits_ < 8 * zynSampleSize(dataType_)) {
        if (signed_ && (dataType_ == ZynDataType::Int16 || dataType_ == ZynDataType::Int32)) {
            const double half = std::ldexp(1.0, bits_ - 1);
            return {-half, half - 1};
        }
        return {0.0, std::ldexp(1.0, bits_) - 1};
    }
    return {zynNaturalMin(dataType_), zynNaturalMax(dataType_)};
}

int64_t ZynTiffLayout::chunkRowBytes() const {
    const uint64_t samples = uint64_t{chunkWidth_} * static_cast<uint64_t>(planar_ ? 1 : bands_);
    return static_cast<int64_t>(ceilDiv(samples * bits_, 8u));
}

int64_t ZynTiffLayout::chunkBytes(uint32_t rows) const {
    if (subsampled()) {
        const uint64_t clump = uint64_t{subsampleH_} * subsampleV_ + 2;
        return static_cast<int64_t>(ceilDiv(chunkWidth_, subsampleH_) * ceilDiv(rows, subsampleV_) *
                                    clump);
    }
    return chunkRowBytes() * rows;
}

bool ZynTiffLayout::decodesToSamples() const {
    return readable_ && bits_ == 8 * zynSampleSize(dataType_) && !subsampled();
}

void ZynTiffLayout::convertRow(const std::byte* chunk, uint32_t row, uint32_t column,
                               uint32_t columns, std::byte* destination) const {
    if (subsampled()) return expandYCbCrRow(chunk, row, column, columns, destination);
    const uint64_t samplesPerPixel = planar_ ? 1 : static_cast<uint64_t>(bands_);
    const auto* source = reinterpret_cast<const uint8_t*>(chunk) + chunkRowBytes() * row;
    const uint64_t first = column * samplesPerPixel;
    const uint64_t count = columns * samplesPerPixel;
    if (decodesToSamples()) {
        const size_t size = zynSampleSize(dataType_);
        std::memcpy(destination, source + first * size, count * size);
        return;
    }
    switch (dataType_) {
        case ZynDataType::UInt8:
            return unpackRow(source, first, count, reinterpret_cast<uint8_t*>(destination));
        case ZynDataType::UInt16:
            return unpackRow(source, first, count, reinterpret_cast<uint16_t*>(destination));
        case ZynDataType::Int16:
            return unpackRow(source, first, count, reinterpret_cast<int16_t*>(destination));
        case ZynDataType::UInt32:
            return unpackRow(source, first, count, reinterpret_cast<uint32_t*>(destination));
        case ZynDataType::Int32:
            return unpackRow(source, first, count, reinterpret_cast<int32_t*>(destination));
        default:
            throw ZynError(135, "Samples of " + std::to_string(bits_) + " bits cannot be read as " +
                                    zynDataTypeName(dataType_));
    }
}

// Samples are packed most significant bit first; each row starts on a byte boundary.
template <class T>
void ZynTiffLayout::unpackRow(const uint8_t* row, uint64_t firstSample, uint64_t count,
                              T* out) const {
    const unsigned bits = bits_;
    const uint32_t mask = (1u << bits) - 1;  // under 32 bits: wider samples need no unpacking
    uint64_t bit = firstSample * bits;
    for (uint64_t i = 0; i < count; ++i, bit += bits) {
        const uint8_t* bytes = row + (bit >> 3);
        const unsigned shift = bit & 7;
        const unsigned span = (shift + bits + 7) / 8;
        uint64_t gathered = 0;
        for (unsigned k = 0; k < span; ++k) gathered = gathered << 8 | bytes[k];
        uint32_t value = static_cast<uint32_t>(gathered >> (span * 8 - shift - bits)) & mask;
        if constexpr (std::is_signed_v<T>) {
            if (signed_ && (value >> (bits - 1)) != 0) value |= ~mask;
        }
        out[i] = static_cast<T>(value);
    }
}

// Subsampled YCbCr comes in clumps of h x v luma samples followed by one Cb and one Cr; each
// pixel takes the chroma of its clump.
void ZynTiffLayout::expandYCbCrRow(const std::byte* chunk, uint32_t row, uint32_t column,
                                   uint32_t columns, std::byte* destination) const {
    const uint32_t h = subsampleH_, v = subsampleV_;
    const uint64_t clumpBytes = uint64_t{h} * v + 2;
    const auto* clumpRow =
        reinterpret_cast<const uint8_t*>(chunk) + (row / v) * ceilDiv(chunkWidth_, h) * clumpBytes;
    const uint32_t lumaRow = (row % v) * h;
    auto* out = reinterpret_cast<uint8_t*>(destination);
    for (uint32_t i = 0; i < columns; ++i, out += 3) {
        const uint32_t x = column + i;
        const uint8_t* clump = clumpRow + (x / h) * clumpBytes;
        out[0] = clump[lumaRow + x % h];
        out[1] = clump[h * v];
        out[2] = clump[h * v + 1];
    }
}
