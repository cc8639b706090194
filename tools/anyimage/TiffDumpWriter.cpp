#include "TiffDumpWriter.h"

#include <algorithm>
#include <cstring>

#include "QorSystem.h"
#include "ZynError.h"

namespace {

struct Photometric {
    ZynColorKind kind;
    uint16_t photometric;
    int colorBands;  // the bands before any alpha
};

// Colour spaces TIFF names; the others are written as grey with extra samples.
constexpr Photometric kPhotometrics[] = {
    {ZynColorKind::Lum, PHOTOMETRIC_MINISBLACK, 1}, {ZynColorKind::LumA, PHOTOMETRIC_MINISBLACK, 1},
    {ZynColorKind::RGB, PHOTOMETRIC_RGB, 3},        {ZynColorKind::RGBA, PHOTOMETRIC_RGB, 3},
    {ZynColorKind::CMY, PHOTOMETRIC_SEPARATED, 3},  {ZynColorKind::CMYK, PHOTOMETRIC_SEPARATED, 4},
    {ZynColorKind::YCbCr, PHOTOMETRIC_YCBCR, 3},    {ZynColorKind::YCbCrA, PHOTOMETRIC_YCBCR, 3},
    {ZynColorKind::FpxYCbCr, PHOTOMETRIC_YCBCR, 3}, {ZynColorKind::FpxYCbCrA, PHOTOMETRIC_YCBCR, 3},
};

uint16_t sampleFormat(ZynDataType type) {
    switch (type) {
        case ZynDataType::Int16:
        case ZynDataType::Int32:
            return SAMPLEFORMAT_INT;
        case ZynDataType::Float32:
        case ZynDataType::Float64:
            return SAMPLEFORMAT_IEEEFP;
        default:
            return SAMPLEFORMAT_UINT;
    }
}

// libtiff opens names in the ANSI code page on Windows; a descriptor of ours reaches any name.
TIFF* createTiff(const std::string& path) {
    QorDescriptor descriptor(qorCreateReadWrite(path));
    if (descriptor.get() < 0) return nullptr;
    TIFF* tif = TIFFFdOpen(descriptor.get(), path.c_str(), "w");
    // The library closes the descriptor with the file it opened.
    if (tif) descriptor.release();
    return tif;
}

}  // namespace

TiffDumpWriter::TiffDumpWriter(const std::string& path, uint32_t width, uint32_t height,
                               ZynDataType type, int bands, const ZynColorSpace& colorSpace)
    : path_(path),
      tif_(createTiff(path), &TIFFClose),
      width_(width),
      height_(height),
      pixelBytes_(zynSampleSize(type) * static_cast<size_t>(bands)),
      rows_(static_cast<size_t>(width) * kTile * pixelBytes_),
      tile_(static_cast<size_t>(kTile) * kTile * pixelBytes_) {
    if (!tif_) fail();
    describe(type, bands, colorSpace);
}

void TiffDumpWriter::describe(ZynDataType type, int bands, const ZynColorSpace& colorSpace) {
    TIFF* tif = tif_.get();
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, width_);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, height_);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, static_cast<uint16_t>(8 * zynSampleSize(type)));
    TIFFSetField(tif, TIFFTAG_SAMPLEFORMAT, sampleFormat(type));
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, static_cast<uint16_t>(bands));
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
    TIFFSetField(tif, TIFFTAG_TILEWIDTH, kTile);
    TIFFSetField(tif, TIFFTAG_TILELENGTH, kTile);
    uint16_t photometric = PHOTOMETRIC_MINISBLACK;
    int colorBands = 1;
    uint16_t extraKind = EXTRASAMPLE_UNSPECIFIED;
    for (const Photometric& p : kPhotometrics) {
        if (p.kind != colorSpace.kind() || zynKindBands(p.kind) != bands) continue;
        photometric = p.photometric;
        colorBands = p.colorBands;
        extraKind = EXTRASAMPLE_UNASSALPHA;
    }
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, photometric);
    if (photometric == PHOTOMETRIC_YCBCR) TIFFSetField(tif, TIFFTAG_YCBCRSUBSAMPLING, 1, 1);
    if (bands > colorBands) {
        const std::vector<uint16_t> extra(static_cast<size_t>(bands - colorBands), extraKind);
        TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, static_cast<uint16_t>(extra.size()), extra.data());
    }
    TIFFSetField(tif, TIFFTAG_SMINSAMPLEVALUE, colorSpace.minimum());
    TIFFSetField(tif, TIFFTAG_SMAXSAMPLEVALUE, colorSpace.maximum());
}

void TiffDumpWriter::write(const ZynRectBuffer& strip) {
    const size_t rowBytes = static_cast<size_t>(width_) * pixelBytes_;
    for (int64_t y = strip.rect().y; y < strip.rect().bottom(); ++y) {
        std::memcpy(&rows_[rowsHeld_ * rowBytes], strip.at(strip.rect().x, y), rowBytes);
        if (++rowsHeld_ == kTile) writeTileRow();
    }
}

void TiffDumpWriter::writeTileRow() {
    const size_t rowBytes = static_cast<size_t>(width_) * pixelBytes_;
    const size_t tileRowBytes = kTile * pixelBytes_;
    for (uint32_t x = 0; x < width_; x += kTile) {
        // Tiles over the image's edges are padded with zeros.
        std::fill(tile_.begin(), tile_.end(), std::byte{0});
        const size_t bytes = std::min(kTile, width_ - x) * pixelBytes_;
        for (uint32_t r = 0; r < rowsHeld_; ++r)
            std::memcpy(&tile_[r * tileRowBytes], &rows_[r * rowBytes + x * pixelBytes_], bytes);
        const uint32_t index = TIFFComputeTile(tif_.get(), x, tileRowTop_, 0, 0);
        if (TIFFWriteEncodedTile(tif_.get(), index, tile_.data(),
                                 static_cast<tmsize_t>(tile_.size())) < 0)
            fail();
    }
    tileRowTop_ += rowsHeld_;
    rowsHeld_ = 0;
}

void TiffDumpWriter::finish() {
    if (rowsHeld_) writeTileRow();
    if (!TIFFWriteDirectory(tif_.get())) fail();
    tif_.reset();
}

void TiffDumpWriter::fail() const {
    throw ZynError(130, "Cannot write TIFF \"" + path_ + "\"");
}
