// The floor for decoding a JPEG-tiled FlashPix image: libjpeg-turbo decodes every tile (written by
// make_bench_fpx as length-prefixed streams, tables first) and the samples are summed.

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

#include <jpeglib.h>

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    std::ifstream in(argv[1], std::ios::binary);
    const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)),
                                           std::istreambuf_iterator<char>());
    jpeg_decompress_struct info{};
    jpeg_error_mgr error{};
    info.err = jpeg_std_error(&error);
    jpeg_create_decompress(&info);
    std::vector<unsigned char> tile(64 * 64 * 3);
    uint64_t sum = 0;
    for (size_t at = 0, n = 0; at + 4 <= bytes.size(); ++n) {
        const uint32_t size = bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 |
                              static_cast<uint32_t>(bytes[at + 3]) << 24;
        at += 4;
        jpeg_mem_src(&info, bytes.data() + at, size);
        at += size;
        if (n == 0) {
            jpeg_read_header(&info, FALSE);
            continue;
        }
        jpeg_read_header(&info, TRUE);
        info.out_color_space = JCS_RGB;
        jpeg_start_decompress(&info);
        while (info.output_scanline < info.output_height) {
            JSAMPROW row = &tile[info.output_scanline * 64 * 3];
            jpeg_read_scanlines(&info, &row, 1);
        }
        jpeg_finish_decompress(&info);
        for (unsigned char v : tile) sum += v;
    }
    jpeg_destroy_decompress(&info);
    std::printf("%llu\n", static_cast<unsigned long long>(sum));
    return 0;
}
