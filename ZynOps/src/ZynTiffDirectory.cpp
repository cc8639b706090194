#include "ZynTiffDirectory.h"

#include <tiff.h>

#include <tuple>

#include "TiffFile.h"

namespace {

std::optional<double> sampleValueTag(const TiffFile& file, uint32_t signedTag,
                                     uint32_t unsignedTag) {
    if (auto value = file.doubleTag(signedTag)) return value;
    if (auto value = file.uint16Tag(unsignedTag)) return static_cast<double>(*value);
    return std::nullopt;
}

}  // namespace

ZynTiffDirectory ZynTiffDirectory::read(const TiffFile& file, uint32_t index) {
    ZynTiffDirectory d;
    d.index = index;
    d.width = file.uint32Tag(TIFFTAG_IMAGEWIDTH).value_or(0);
    d.height = file.uint32Tag(TIFFTAG_IMAGELENGTH).value_or(0);
    d.compression = file.uint16Tag(TIFFTAG_COMPRESSION).value_or(COMPRESSION_NONE);
    file.checkCodec(d.compression);
    d.tiled = file.isTiled();
    d.subfileType = file.uint32Tag(TIFFTAG_SUBFILETYPE);
    d.bitsPerSample = file.uint16Tag(TIFFTAG_BITSPERSAMPLE);
    d.sampleFormat = file.uint16Tag(TIFFTAG_SAMPLEFORMAT);
    d.samplesPerPixel = file.uint16Tag(TIFFTAG_SAMPLESPERPIXEL);
    d.planarConfig = file.uint16Tag(TIFFTAG_PLANARCONFIG).value_or(PLANARCONFIG_CONTIG);
    d.rowsPerStrip = file.uint32Tag(TIFFTAG_ROWSPERSTRIP);
    d.tileWidth = file.uint32Tag(TIFFTAG_TILEWIDTH);
    d.tileLength = file.uint32Tag(TIFFTAG_TILELENGTH);
    d.photometric = file.uint16Tag(TIFFTAG_PHOTOMETRIC);
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
