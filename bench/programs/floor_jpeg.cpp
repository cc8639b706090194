// The floor for whole-image work on a JPEG: decode it with libjpeg-turbo alone, at 1/DENOM, and
// take the same per-band minimum, maximum and sum as anyimage stats: floor_jpeg FILE [DENOM]

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) return 2;
    FILE* in = std::fopen(argv[1], "rb");
    if (!in) return 1;
    jpeg_decompress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_decompress(&cinfo);
    jpeg_stdio_src(&cinfo, in);
    jpeg_read_header(&cinfo, TRUE);
    cinfo.scale_num = 1;
    cinfo.scale_denom = argc == 3 ? static_cast<unsigned>(std::atoi(argv[2])) : 1;
    jpeg_start_decompress(&cinfo);
    const int bands = cinfo.output_components;
    const size_t rowSamples = size_t{cinfo.output_width} * bands;
    const size_t lanes = 16 * static_cast<size_t>(bands);
    std::vector<unsigned char> rows(rowSamples * 64);
    // 32-bit lane sums, as anyimage keeps them, flushed after every chunk of rows.
    std::vector<uint32_t> sum(lanes, 0);
    std::vector<uint64_t> total(lanes, 0);
    std::vector<uint8_t> low(lanes, 255), high(lanes, 0);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW pointers[64];
        const unsigned want = std::min(64u, cinfo.output_height - cinfo.output_scanline);
        for (unsigned i = 0; i < want; ++i) pointers[i] = rows.data() + i * rowSamples;
        unsigned got = 0;
        while (got < want) got += jpeg_read_scanlines(&cinfo, pointers + got, want - got);
        for (unsigned r = 0; r < got; ++r) {
            const unsigned char* row = pointers[r];
            size_t i = 0;
            for (; i + lanes <= rowSamples; i += lanes)
                for (size_t k = 0; k < lanes; ++k) {
                    sum[k] += row[i + k];
                    low[k] = std::min(low[k], row[i + k]);
                    high[k] = std::max(high[k], row[i + k]);
                }
            for (; i < rowSamples; ++i) {
                sum[i % lanes] += row[i];
                low[i % lanes] = std::min(low[i % lanes], row[i]);
                high[i % lanes] = std::max(high[i % lanes], row[i]);
            }
        }
        for (size_t k = 0; k < lanes; ++k) total[k] += sum[k], sum[k] = 0;
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    std::fclose(in);
    for (int b = 0; b < bands; ++b) {
        uint64_t bandTotal = 0;
        int lo = 255, hi = 0;
        for (size_t k = static_cast<size_t>(b); k < lanes; k += static_cast<size_t>(bands)) {
            bandTotal += total[k];
            lo = std::min<int>(lo, low[k]);
            hi = std::max<int>(hi, high[k]);
        }
        std::printf("band %d: min %d max %d sum %llu\n", b, lo, hi,
                    static_cast<unsigned long long>(bandTotal));
    }
    return 0;
}
