// Writes a large baseline JPEG (4:2:0, quality 90) of smooth gradients with some texture for the
// benchmarks: make_bench_jpeg WIDTH HEIGHT OUT

#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

int main(int argc, char** argv) {
    if (argc != 4) return 2;
    const long width = std::atol(argv[1]), height = std::atol(argv[2]);
    FILE* out = std::fopen(argv[3], "wb");
    if (!out || width <= 0 || height <= 0) return 1;
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, out);
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 90, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<unsigned char> row(static_cast<size_t>(width) * 3);
    unsigned state = 12345;
    for (long y = 0; y < height; ++y) {
        for (long x = 0; x < width; ++x) {
            state = state * 1103515245u + 12345u;
            const unsigned noise = (state >> 27) & 7;
            row[x * 3 + 0] = static_cast<unsigned char>(x * 255 / width + noise);
            row[x * 3 + 1] = static_cast<unsigned char>(y * 255 / height);
            row[x * 3 + 2] = static_cast<unsigned char>(((x / 16 + y / 16) & 1) * 128 + noise * 8);
        }
        JSAMPROW line = row.data();
        jpeg_write_scanlines(&cinfo, &line, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return std::fclose(out) == 0 ? 0 : 1;
}
