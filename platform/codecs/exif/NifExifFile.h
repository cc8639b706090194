#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

class JpdDecoder;
class QorStream;

// Statuses of the library; 0 is success.
enum NifExifStatus : int {
    kNifOk = 0,
    kNifCannotOpen = -1,
    kNifBadFile = -2,
    kNifBadArgument = -3,
    kNifBadState = -4,
    kNifReadFailed = -5,
    kNifNotPresent = -6,
};

enum class NifExifFileType : int { Unknown = 0, Jpeg = 1, Exif = 2 };

// Image file directories, by the numbers the library's clients use.
enum class NifExifIfd : int { Primary = 0, Exif = 1, Gps = 2, Interoperability = 3, Thumbnail = 4 };

// Colour-space identifiers of the pixels the library delivers.
enum NifExifColorSpaceId : int {
    kNifYCbCr = 0,
    kNifRGB = 1,
    kNifUnsupported = 2,
    kNifGray = 3,
    kNifUncalibratedRGB = 4,
};

// Bits of the validation results.
enum NifExifValidation : uint32_t {
    kNifExifBlockCorrupt = 1,
    kNifThumbnailUnreadable = 2,
    kNifSizeDisagrees = 4,
};

struct NifExifImageInfo {
    uint32_t width = 0;
    uint32_t height = 0;
    uint16_t bands = 0;
    int colorSpace = kNifUnsupported;
};

// Where one channel's samples go: the first pixel's sample and the steps to the next pixel and
// the next line, in bytes.
struct NifExifChannel {
    uint8_t* origin = nullptr;
    ptrdiff_t pixelStride = 0;
    ptrdiff_t lineStride = 0;
};
using NifExifChannels = NifExifChannel[4];

// An EXIF file (a JPEG file with an EXIF block) open for reading: tags through libexif, pixels
// through the JPEG decoder layer, read forward only, at a sample factor of 1, 2, 4 or 8. The
// thumbnail of the EXIF block and the screen nail of the FlashPix extension are read whole.
class NifExifFile {
  public:
    NifExifFile();
    ~NifExifFile();
    NifExifFile(const NifExifFile&) = delete;
    NifExifFile& operator=(const NifExifFile&) = delete;

    // Whether the file starts a JPEG stream whose header segments include an EXIF block.
    static bool isExifFile(const std::string& path);
    static bool isURL(const std::wstring& name);

    // Settings that take effect at the next open.
    void setValidation(int scheme) { scheme_ = scheme; }
    void setJpegImplementation(bool alternative) { alternative_ = alternative; }
    void disableMmx();

    // Opens by path (the alternative implementation maps the file), by wide name (URLs, read
    // through the support library's stream) or through a standard-library file the caller keeps
    // open. `mode` must be 0.
    int open(const std::string& path, NifExifFileType& type, NifExifImageInfo& info, int mode);
    int open(const std::wstring& name, NifExifFileType& type, NifExifImageInfo& info, int mode);
    int open(FILE* file, NifExifFileType& type, NifExifImageInfo& info, int mode);
    void close();
    bool isOpen() const { return opened_; }
    const std::string& message() const { return message_; }

    // Lets go of the file (the caller then closes its own) and takes it back later where reading
    // stopped; a file opened by path or name is opened again by the library.
    void releaseInput();
    int resumeInput(FILE* file);

    uint32_t validationResults() const { return results_; }
    void setDctMethod(int method) { dctMethod_ = method; }
    // Delivers the pixels in another colour space (an identifier above).
    void setColorSpace(int identifier) { colorSpace_ = identifier; }

    int setReadSampleFactor(int factor, uint32_t& width, uint32_t& height);
    int readScanLines(const NifExifChannels& channels, int lines, int& delivered);

    bool thumbnailInfo(uint32_t& width, uint32_t& height) const;
    int readThumbnail(const NifExifChannels& channels);
    bool extendedImageInfo(uint32_t& width, uint32_t& height) const;
    int readExtendedImage(const NifExifChannels& channels);

    // The text of a tag; false when the directory has no such tag.
    bool genericTag(NifExifIfd ifd, int tag, std::string& value) const;
    int iccProfile(std::vector<uint8_t>& profile) const;
    int quantTable(int component, uint16_t (&table)[64]) const;

  private:
    struct Embedded {
        std::vector<uint8_t> bytes;
    };
    struct ExifBlock;
    enum class Input { None, File, Stream, Path };

    int openDecoded(NifExifFileType& type, NifExifImageInfo& info);
    int fail(int status, std::string message);
    void readExifBlock();
    void readExtension();
    int identifier() const;
    void validate();
    // The size of an embedded image that can be delivered like the main image.
    bool probe(const Embedded& image, uint32_t& width, uint32_t& height) const;
    int readEmbedded(const Embedded& image, const NifExifChannels& channels);
    int startDecoding();

    std::unique_ptr<JpdDecoder> decoder_;
    std::unique_ptr<ExifBlock> exif_;
    std::unique_ptr<QorStream> stream_;
    Input input_ = Input::None;
    std::string path_;
    std::wstring name_;
    uint64_t releasedAt_ = 0;
    FILE* file_ = nullptr;
    Embedded thumbnail_;
    Embedded screenNail_;
    NifExifImageInfo info_;
    int scheme_ = 1;
    uint32_t results_ = 0;
    bool alternative_ = false;
    bool opened_ = false;
    int dctMethod_ = 0;
    int colorSpace_ = kNifUnsupported;
    int scale_ = 0;
    std::vector<uint8_t> rows_;
    std::string message_;
};
