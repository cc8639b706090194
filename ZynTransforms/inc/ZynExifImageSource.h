#pragma once

#include <array>
#include <cstdio>
#include <memory>
#include <mutex>
#include <vector>

#include "ZynImageFileSource.h"

class ZynExifSourceCommon;

// Source of EXIF files: the main image at sample factors 1, 2, 4 and 8, then the thumbnail of the
// EXIF block and the extended image of the FlashPix extension when the file has them. Decoding
// goes forward only: a band above a reader's position comes from its band cache, or from the file
// opened again.
class ZynExifImageSource : public ZynImageFileSource {
  public:
    ZynExifImageSource();
    ZynExifImageSource(const std::wstring& fileName, bool keepOpen);
    ZynExifImageSource(const ZynExifImageSource& other);
    ~ZynExifImageSource() override;

    static ZynTransformPtr recognize(const std::wstring& fileName, FILE* file, bool keepOpen);

    ZynTransformPtr clone() const override;
    void fileNameChanged() override;
    void setupTransform() override;
    ZynImageOpPtr opForResolution(int outputIndex, const ZynResolution& resolution) override;
    bool readMetadata(const std::string& key, VulMetaValue& value) override;
    void postRender() override;

    // Fills `buffer` with its part of the image at `resolution`.
    void genTile(const ZynResolution& resolution, ZynRectBuffer& buffer);

    // How often the reader of resolution index `index` (4: the special images) opened the file.
    int readerOpens(int index);

  private:
    ZynExifSourceCommon& reader(int index);
    bool openReader(ZynExifSourceCommon& reader);
    void closeReaders();
    bool listResolutions(ZynExifSourceCommon& first);
    // The colour space of the file's identifier; null with the error recorded when there is none.
    ZynColorSpacePtr colorSpaceOf(const ZynExifSourceCommon& first);
    int resolutionIndex(const ZynResolution& resolution) const;

    std::array<std::unique_ptr<ZynExifSourceCommon>, 5> readers_;
    std::mutex mutex_;
    std::vector<ZynResolution> resolutions_;
    int thumbnailIndex_ = -1;
    int extendedIndex_ = -1;
    ZynColorSpacePtr colorSpace_;
};
