#pragma once

#include <cstdio>
#include <memory>
#include <vector>

#include "ZynMainOpSource.h"
#include "ZynVDXFile.h"

class VdxImage;

// Source of photo disc image packs: the three base resolutions (Base/16, Base/4 and Base), turned
// for display as the file asks, in luminance, RGB or photo YCC ("color_space" "VDXLum",
// "VDXRGB", "VDXYCC"; empty: the library's default, RGB).
class ZynVDXImageSource : public ZynMainOpSource<ZynVDXImageSource, ZynVDXFile> {
  public:
    using ZynMainOpSource::ZynMainOpSource;

    static ZynTransformPtr recognize(const std::wstring& fileName, FILE* file, bool keepOpen);
    static void declare(ZynTransform& source);

    void setupTransform() override;
    // Sizes the file does not offer are read from the Base resolution.
    ZynImageOpPtr opForResolution(int outputIndex, const ZynResolution& resolution) override;

  private:
    // A resolution index of the library and its size as delivered.
    struct Level {
        int index;
        ZynResolution size;
    };

    void describeOutput(VdxImage& library);
    void applyColorSpaceAttribute(VdxImage& library);
    void listLevels(VdxImage& library);
    const Level& levelFor(const ZynResolution& resolution) const;

    // The levels in the file, in index order, and the one sizes not offered fall back to.
    std::vector<Level> levels_;
    Level fallback_{};
    int format_ = 0;
    ZynColorSpacePtr colorSpace_;
    std::vector<int64_t> bandOffsets_;
};
