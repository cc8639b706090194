// Writes a large 8-bit RGB PNG of gradients with a little noise for the benchmarks, with
// libpng's default compression and filters: make_bench_png WIDTH HEIGHT OUT

#include <png.h>

#include <cstdio>
#include <cstdlib>

namespace {

// libpng long-jumps here on errors; the frame holds only plain pointers.
bool writeImage(FILE* out, png_structp png, png_infop info, png_bytep row, long width,
                long height) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_init_io(png, out);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    unsigned noise = 12345;
    for (long y = 0; y < height; ++y) {
        for (long x = 0; x < width; ++x) {
            noise = noise * 1103515245u + 12345u;
            const unsigned n = (noise >> 24) & 0x07;
            row[x * 3 + 0] = static_cast<png_byte>(x * 255 / width + n);
            row[x * 3 + 1] = static_cast<png_byte>(y * 255 / height + n);
            row[x * 3 + 2] = static_cast<png_byte>(((x + y) & 0xFF) ^ n);
        }
        png_write_row(png, row);
    }
    png_write_end(png, info);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) return 2;
    const long width = std::atol(argv[1]), height = std::atol(argv[2]);
    if (width <= 0 || height <= 0) return 2;
    FILE* out = std::fopen(argv[3], "wb");
    if (!out) return 1;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    auto* row = static_cast<png_bytep>(std::malloc(static_cast<size_t>(width) * 3));
    const bool written = info && row && writeImage(out, png, info, row, width, height);
    std::free(row);
    png_destroy_write_struct(&png, &info);
    return std::fclose(out) == 0 && written ? 0 : 1;
}
