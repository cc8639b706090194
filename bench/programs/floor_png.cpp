// The floor for whole-image work on a PNG: libpng alone decoding the file row by row into one
// row buffer, summing the bytes.

#include <png.h>

#include <cstdio>
#include <cstdlib>

namespace {

// libpng long-jumps here on errors; the frame holds only plain values.
bool decode(FILE* in, png_structp png, png_infop info, unsigned long long* sum) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_init_io(png, in);
    png_read_info(png, info);
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    const size_t rowBytes = png_get_rowbytes(png, info);
    auto* row = static_cast<png_bytep>(std::malloc(rowBytes));
    if (!row) return false;
    for (int pass = 0; pass < passes; ++pass)
        for (png_uint_32 y = 0; y < height; ++y) {
            png_read_row(png, row, nullptr);
            for (size_t i = 0; i < rowBytes; ++i) *sum += row[i];
        }
    std::free(row);
    png_read_end(png, nullptr);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    FILE* in = std::fopen(argv[1], "rb");
    if (!in) return 1;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    unsigned long long sum = 0;
    const bool decoded = info && decode(in, png, info, &sum);
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(in);
    std::printf("%llu\n", sum);
    return decoded ? 0 : 1;
}
