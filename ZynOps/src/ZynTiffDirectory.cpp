#include "ZynTiffDirectory.h"

#include <tiff.h>

#include <tuple>

#include "TiffFile.h"

namespace {

std::optional<double> sampleValueTag(const TiffFile& file, uint32_t signedTag,
                                     uint32_t unsignedTag) {
    if (auto value = file.tag<double>(signedTag)) return value;
    if (auto value = file.tag<uint16_t>(unsignedTag)) return static_cast<double>(*value);
    return std::nullopt;
}

}  // namespace

ZynTiffDirectory ZynTiffDirectory::read(const TiffFile& file, uint32_t index) {
    ZynTiffDirectory d;
    d.index = index;
    d.width = file.tag<uint32_t>(TIFFTAG_IMAGEWIDTH).value_or(0);
    d.height = file.tag<uint32_t>(TIFFTAG_IMAGELENGTH).value_or(0);
    d.compression = file.tag<uint16_t>(TIFFTAG_COMPRESSION).value_or(COMPRESSION_NONE);
    file.checkCodec(d.compression);
    d.tiled = file.isTiled();
    d.subfileType = file.tag<uint32_t>(TIFFTAG_SUBFILETYPE);
    d.bitsPerSample = file.tag<uint16_t>(TIFFTAG_BITSPERSAMPLE);
    d.sampleFormat = file.tag<uint16_t>(TIFFTAG_SAMPLEFORMAT);
    d.samplesPerPixel = file.tag<uint16_t>(TIFFTAG_SAMPLESPERPIXEL);
    d.planarConfig = file.tag<uint16_t>(TIFFTAG_PLANARCONFIG).value_or(PLANARCONFIG_CONTIG);
    d.rowsPerStrip = file.tag<uint32_t>(TIFFTAG_ROWSPERSTRIP);
    d.tileWidth = file.tag<uint32_t>(TIFFTAG_TILEWIDTH);
    d.tileLength = file.tag<uint32_t>(TIFFTAG_TILELENGTH);
    d.photometric = file.tag<uint16_t>(TIFFTAG_PHOTOMETRIC);
    if (file.convertsYCbCrToRgb()) d.photometric = PHOTOMETRIC_RGB;
    d.minSampleValue = sampleValueTag(file, TIFFTAG_SMINSAMPLEVALUE, TIFFTAG_MINSAMPLEVALUE);
    d.maxSampleValue = sampleValueTag(file, TIFFTAG_SMAXSAMPLEVALUE, TIFFTAG_MAXSAMPLEVALUE);
    const auto extra = file.uint16ArrayTag(TIFFTAG_EXTRASAMPLES);
    d.firstExtraSample = extra.empty() ? 0 : extra.front();
    if (d.photometric == PHOTOMETRIC_YCBCR)
        std::tie(d.ycbcrHorizontal, d.ycbcrVertical) = file.ycbcrSubsampling();
    d.libraryChunkBytes = d.tiled ? file.tileSize() : file.stripSize();
    return d;
}
