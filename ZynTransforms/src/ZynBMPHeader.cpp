#include "ZynBMPHeader.h"

#include <cstring>

#include "ZynBinItem.h"
#include "ZynError.h"

namespace {

constexpr long kPaletteOffset = 54;
constexpr int kPaletteEntries = 256;

ZynDataOrgPtr bitmapOrg(uint32_t width, uint32_t lines, int bands) {
    const int64_t lineStride = (int64_t{width} * bands + 3) & ~int64_t{3};
    std::vector<int64_t> offsets =
        bands == 3 ? std::vector<int64_t>{2, 1, 0} : std::vector<int64_t>{0};
    return std::make_shared<ZynSimpleDataOrg>(width, lines, ZynDataType::UInt8,
                                              ZynInterleave::Pixel, std::move(offsets), bands,
                                              lineStride);
}

}  // namespace

ZynBMPHeader::ZynBMPHeader() {
    auto u16 = [&](uint16_t* target, long offset) {
        items_.push_back(std::make_unique<ZynBinItem>(target, offset, intelHWD, nativeHWD));
    };
    auto u32 = [&](uint32_t* target, long offset) {
        items_.push_back(std::make_unique<ZynBinItem>(target, offset, intelHWD, nativeHWD));
    };
    u16(&fileType, 0);
    u32(&fileSize, 2);
    u32(&dataOffset, 10);
    u32(&infoSize, 14);
    u32(reinterpret_cast<uint32_t*>(&width), 18);
    u32(reinterpret_cast<uint32_t*>(&height), 22);
    u16(&planes, 26);
    u16(&bitCount, 28);
    u32(&compression, 30);
    u32(&imageSize, 34);
    u32(&xPixelsPerMeter, 38);
    u32(&yPixelsPerMeter, 42);
    u32(&colorsUsed, 46);
    u32(&colorsImportant, 50);
}

ZynBMPHeader::~ZynBMPHeader() = default;

void ZynBMPHeader::reset() {
    fileType = planes = bitCount = 0;
    fileSize = dataOffset = infoSize = compression = imageSize = 0;
    xPixelsPerMeter = yPixelsPerMeter = colorsUsed = colorsImportant = 0;
    width = height = 0;
    palette.reset();
    hasPalette = isGrey = false;
    greyLevels.clear();
    fileLayout.reset();
    outputLayout.reset();
}

void ZynBMPHeader::read(FILE* file) {
    reset();
    bool complete = true;
    for (const auto& item : items_) complete = item->read(file, 0) && complete;
    validate(complete);
    if (bitCount == 8) {
        readPalette(file);
    } else {
        hasPalette = isGrey = false;
        palette.reset();
    }
    buildLayouts();
}

void ZynBMPHeader::validate(bool complete) const {
    if (fileType != 0x4D42) throw ZynError(130, "File is not a valid bmp image");
    if (!complete) throw ZynError(130, "Unable to read bmp header");
    if (infoSize != 40) throw ZynError(130, "File is not a Windows 3.x bmp image");
    if (planes != 1) throw ZynError(130, "Image file has more than one color plane");
    if (compression != 0) throw ZynError(130, "Compressed bmp files are not supported");
    if (bitCount != 8 && bitCount != 24)
        throw ZynError(130, "Only 8 and 24 bit bmp images are supported");
    // A zero or negative width, or a height with no positive counterpart, describes no image.
    if (width <= 0 || height == 0 || height == INT32_MIN)
        throw ZynError(130, "Unsupported bmp image size " + std::to_string(width) + "x" +
                                std::to_string(height));
}

// The palette holds colorsUsed entries (256 when it says 0); entries it does not hold are black.
void ZynBMPHeader::readPalette(FILE* file) {
    const uint32_t entries =
        colorsUsed == 0 || colorsUsed > kPaletteEntries ? kPaletteEntries : colorsUsed;
    palette = std::make_unique<uint8_t[]>(4 * kPaletteEntries);
    if (std::fseek(file, kPaletteOffset, SEEK_SET) != 0)
        throw ZynError(130, "Unable to seek to color pallete, in header.");
    if (std::fread(palette.get(), 4, entries, file) != entries)
        throw ZynError(130, "unable to read pallete from header");
    hasPalette = true;
    isGrey = true;
    for (int i = 0; i < kPaletteEntries && isGrey; ++i)
        isGrey = palette[4 * i] == palette[4 * i + 1] && palette[4 * i + 1] == palette[4 * i + 2];
    if (isGrey) takeGreyPalette();
}

// Indices of the identity ramp are their own grey; other grey palettes map through a table.
void ZynBMPHeader::takeGreyPalette() {
    bool identity = true;
    for (int i = 0; i < kPaletteEntries && identity; ++i) identity = palette[4 * i] == i;
    if (!identity) {
        greyLevels.resize(kPaletteEntries);
        for (int i = 0; i < kPaletteEntries; ++i) greyLevels[i] = palette[4 * i];
    }
    palette.reset();
}

void ZynBMPHeader::buildLayouts() {
    const auto w = static_cast<uint32_t>(width);
    ZynColorSpacePtr colorSpace =
        isGrey ? ZynColorSpacePtr(std::make_shared<ZynLumColorSpace>(0.0, 255.0))
               : ZynColorSpacePtr(std::make_shared<ZynRGBColorSpace>(0.0, 255.0));
    fileLayout = std::make_shared<ZynBufferInfo>(
        ZynBufferInfo{colorSpace, bitmapOrg(w, imageHeight(), hasPalette ? 1 : 3)});
    outputLayout = std::make_shared<ZynBufferInfo>(
        ZynBufferInfo{colorSpace, bitmapOrg(w, 10000 / w + 1, isGrey ? 1 : 3)});
}
