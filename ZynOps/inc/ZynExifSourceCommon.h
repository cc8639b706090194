#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "NifExifFile.h"
#include "ZynDCTMethod.h"
#include "ZynError.h"
#include "ZynJpegBandCache.h"

// One reader of an EXIF file: the library's handle at one sample factor (or for the thumbnail and
// the extended image), the bands kept on the way and the next line to decode. The library reads
// forward only.
class ZynExifSourceCommon {
  public:
    explicit ZynExifSourceCommon(uint32_t bandHeight);
    ~ZynExifSourceCommon();
    ZynExifSourceCommon(const ZynExifSourceCommon&) = delete;
    ZynExifSourceCommon& operator=(const ZynExifSourceCommon&) = delete;

    // Opens the file unless it is open, or takes back the file let go of by suspend(); false with
    // the status recorded. Throws ZynError 13 for a DCT method outside the enumeration.
    bool open(const std::wstring& fileName, const std::string& colorSpaceName,
              ZynDCTMethod::dctMethod method);
    // Closes the file and forgets where decoding was.
    void close();
    // Lets go of the file between rendering passes; decoding goes on from there after open().
    void suspend();

    bool isOpen() const { return opened_; }
    ZynError status() const { return ZynError(statusCode_, statusMessage_); }
    const NifExifImageInfo& info() const { return info_; }
    const NifExifFile& library() const { return library_; }
    NifExifFile& library() { return library_; }
    // False when the EXIF block was not checked, or failed a strict check: its thumbnail,
    // extended image and colour-space tag are then not relied on.
    bool validated() const { return validated_; }
    // How often the file was opened from its start (a test hook).
    int opens() const { return opens_; }

    // Whether `rect` needs lines the reader has passed without keeping them.
    bool needsRewind(const ZynRect& rect) const;
    // Makes the reader deliver `size`, at sample factor 2 to the power `index`.
    void matchSize(int index, const ZynResolution& size);
    // Fills one band of the main image.
    void fillBand(ZynRectBuffer& buffer);
    void fillThumbnail(ZynRectBuffer& buffer);
    void fillExtendedImage(ZynRectBuffer& buffer);

    // The library's colour-space identifier for a "color_space" name.
    static int identifierForName(const std::string& name);

  private:
    bool record(const std::string& message);
    bool openFile(const std::wstring& fileName);
    void pointChannels(const ZynRectBuffer& buffer, int64_t y);
    void readLines(int lines);
    [[noreturn]] void readFailed(int status);

    NifExifFile library_;
    NifExifImageInfo info_;
    bool opened_ = false;
    bool suspended_ = false;
    bool localFile_ = false;
    std::wstring fileName_;
    std::unique_ptr<FILE, int (*)(FILE*)> file_;
    int statusCode_ = 0;
    std::string statusMessage_;
    NifExifChannels channels_{};
    ZynJpegBandCache bands_;
    uint32_t nextLine_ = 0;
    ZynResolution scaled_;
    bool validated_ = true;
    int opens_ = 0;
};
