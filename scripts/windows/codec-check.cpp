// Smoke check of the Windows codec prefix: one call into each static codec library, so that a
// missing define, a DLL import or an incomplete pkg-config link line fails here, not in the DLL.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>
#include <libexif/exif-data.h>
#include <libraw.h>
#include <openjpeg.h>
#include <png.h>
#include <tiffio.h>
#include <zlib.h>

namespace {

// The component hands LibRaw its own stream; deriving one checks the vtable the library expects.
class Bytes : public LibRaw_abstract_datastream {
  public:
    Bytes(const unsigned char* data, size_t size) : data_(data), size_(size) {}
    int valid() override { return 1; }
    int read(void* out, size_t item, size_t count) override {
        size_t n = item ? std::min(count, (size_ - at_) / item) : 0;
        std::memcpy(out, data_ + at_, n * item);
        at_ += n * item;
        return static_cast<int>(n);
    }
    int seek(INT64 offset, int whence) override {
        INT64 base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? INT64(at_) : INT64(size_);
        if (base + offset < 0 || base + offset > INT64(size_)) return -1;
        at_ = size_t(base + offset);
        return 0;
    }
    INT64 tell() override { return INT64(at_); }
    INT64 size() override { return INT64(size_); }
    int get_char() override { return at_ < size_ ? data_[at_++] : -1; }
    char* gets(char*, int) override { return nullptr; }
    int scanf_one(const char*, void*) override { return 0; }
    int eof() override { return at_ >= size_; }
    void* make_jas_stream() override { return nullptr; }

  private:
    const unsigned char* data_;
    size_t size_;
    size_t at_ = 0;
};

}  // namespace

int main() {
    int failures = 0;
    auto report = [&](const char* name, bool ok, const char* what) {
        std::printf("%-9s %s %s\n", name, ok ? "ok  " : "FAIL", what);
        failures += !ok;
    };

    report("zlib", std::strcmp(zlibVersion(), ZLIB_VERSION) == 0, zlibVersion());

    char png[32];
    std::snprintf(png, sizeof png, "%u", unsigned(png_access_version_number()));
    report("libpng", png_access_version_number() == PNG_LIBPNG_VER, png);

    char tiff[64] = {};
    std::strncpy(tiff, TIFFGetVersion(), sizeof tiff - 1);
    tiff[std::strcspn(tiff, "\n")] = '\0';
    report("libtiff", std::strstr(tiff, "LIBTIFF") != nullptr, tiff);

    jpeg_decompress_struct jpeg{};
    jpeg_error_mgr jerr{};
    jpeg.err = jpeg_std_error(&jerr);
    jpeg_create_decompress(&jpeg);  // checks the struct size the library was built with
    bool jpeg_ok = jpeg.global_state != 0;
    jpeg_destroy_decompress(&jpeg);
    char jv[32];
    std::snprintf(jv, sizeof jv, "API %d", JPEG_LIB_VERSION);
    report("libjpeg", jpeg_ok, jv);

    ExifData* exif = exif_data_new();
    report("libexif", exif != nullptr, "exif_data_new");
    if (exif) exif_data_unref(exif);

    report("openjpeg", std::strncmp(opj_version(), "2.", 2) == 0, opj_version());

    static const unsigned char junk[512] = {'n', 'o', 't', ' ', 'r', 'a', 'w'};
    LibRaw raw;
    Bytes stream(junk, sizeof junk);
    int opened = raw.open_datastream(&stream);
    report("libraw", opened == LIBRAW_FILE_UNSUPPORTED, raw.version());

    return failures == 0 ? 0 : 1;
}
