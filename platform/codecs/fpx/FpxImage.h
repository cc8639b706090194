#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "FpxCompoundFile.h"
#include "FpxJpegTileDecoder.h"
#include "FpxPropertySet.h"
#include "FpxToolkit.h"

// An open FlashPix image: the image object of the file's first view, its resolution levels with
// their tile tables, and the view's parameters.
class FpxImage {
  public:
    static FpxStatus open(const std::string& path, std::unique_ptr<FpxImage>& image);
    // The cheap test of the recogniser: a FlashPix view with a readable image contents set.
    static FpxStatus check(const std::string& path);

    const FpxImageInfo& info() const { return info_; }
    FpxResolutionInfo levels() const;
    FpxStatus readRectangle(int level, uint32_t x0, uint32_t y0, uint32_t x1, uint32_t y1,
                            const FpxImageDesc& desc);

    // Viewing parameters; false when the file has none.
    bool affine(NIFAffineMatrix& matrix) const;
    bool aspectRatio(float& value) const;
    bool contrast(float& value) const;
    bool colorTwist(NIFColorTwistMatrix& matrix) const;
    bool roi(NIFROI& roi) const;

    FpxStatus summary(NIFSummaryInformation& summary) const;

  private:
    struct Tile {
        uint32_t offset = 0;
        uint32_t size = 0;
        uint32_t compression = 0;
        uint32_t subtype = 0;
    };
    struct Level {
        FpxResolutionLevel size;
        uint32_t tilesAcross = 0;
        FpxCompoundStream data;
        std::vector<Tile> tiles;
    };

    // Inclusive pixel bounds.
    struct Region {
        uint32_t x0, y0, x1, y1;
    };
    explicit FpxImage(std::unique_ptr<FpxCompoundFile> file) : file_(std::move(file)) {}

    static FpxStatus openImageObject(const FpxCompoundFile& file, int& store,
                                     FpxPropertySet& contents);
    FpxStatus readContents();
    FpxStatus readLevel(uint32_t fileIndex, Level& level) const;
    FpxStatus readView();
    FpxStatus readPropertySet(int parent, const char* name, FpxPropertySet& set) const;
    // Whether the description names every stored channel in file order, and whether it is the
    // image's own interleaved layout.
    bool describesEveryChannel(const FpxImageDesc& desc, bool& native) const;
    // Reads the part of tile (tx, ty) that lies in the request.
    FpxStatus readTilePart(const Level& level, uint32_t tx, uint32_t ty, const Region& request,
                           const FpxImageDesc& desc, bool native);
    // Decodes the top-left `columns` x `rows` of a tile into rows `rowStride` bytes apart.
    FpxStatus decodeTile(const Level& level, size_t index, uint8_t* out, ptrdiff_t rowStride,
                         int columns, int rows);
    FpxStatus readTileBytes(const Level& level, const Tile& tile, size_t size);

    std::unique_ptr<FpxCompoundFile> file_;
    int store_ = FpxCompoundFile::kNone;
    FpxPropertySet contents_;
    std::optional<FpxPropertySet> view_;
    FpxImageInfo info_;
    std::vector<Level> levels_;  // level 0 is the full resolution
    FpxJpegTileDecoder jpeg_;
    std::vector<uint8_t> tileBytes_;
    std::vector<uint8_t> scratch_;
};
