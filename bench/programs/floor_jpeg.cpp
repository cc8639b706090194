// The floor for whole-image work on a JPEG: decode it with libjpeg-turbo alone, at 1/DENOM, and
// take the same per-band minimum, maximum and sum as anyimage stats, the same way (16 lanes per
// band, 32-bit lane sums): floor_jpeg FILE [DENOM]

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

namespace {

template <int Bands>
struct Lanes {
    static constexpr size_t kLanes = 16 * Bands;
    uint32_t sum[kLanes] = {};
    uint8_t low[kLanes];
    uint8_t high[kLanes] = {};
    uint64_t total[Bands] = {};

    Lanes() { std::fill(std::begin(low), std::end(low), uint8_t{255}); }

    void add(size_t lane, uint8_t v) {
        sum[lane] += v;
        low[lane] = std::min(low[lane], v);
        high[lane] = std::max(high[lane], v);
    }
    void addRow(const uint8_t* row, size_t samples) {
        size_t i = 0;
        for (; i + kLanes <= samples; i += kLanes)
            for (size_t k = 0; k < kLanes; ++k) add(k, row[i + k]);
        for (; i < samples; ++i) add(i % kLanes, row[i]);
    }
    void flush() {
        for (size_t k = 0; k < kLanes; ++k) total[k % Bands] += sum[k], sum[k] = 0;
    }
    void print() const {
        for (int b = 0; b < Bands; ++b) {
            int lo = 255, hi = 0;
            for (size_t k = static_cast<size_t>(b); k < kLanes; k += Bands) {
                lo = std::min<int>(lo, low[k]);
                hi = std::max<int>(hi, high[k]);
            }
            std::printf("band %d: min %d max %d sum %llu\n", b, lo, hi,
                        static_cast<unsigned long long>(total[b]));
        }
    }
};

// Decodes the rest of the image 64 lines at a time into the statistics.
template <int Bands>
void decodeAndSum(jpeg_decompress_struct& cinfo) {
    Lanes<Bands> lanes;
    const size_t rowSamples = size_t{cinfo.output_width} * Bands;
    std::vector<unsigned char> rows(rowSamples * 64);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW pointers[64];
        const unsigned want = std::min(64u, cinfo.output_height - cinfo.output_scanline);
        for (unsigned i = 0; i < want; ++i) pointers[i] = rows.data() + i * rowSamples;
        unsigned got = 0;
        while (got < want) got += jpeg_read_scanlines(&cinfo, pointers + got, want - got);
        for (unsigned r = 0; r < got; ++r) lanes.addRow(pointers[r], rowSamples);
        lanes.flush();
    }
    lanes.print();
}

}  // namespace

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
    switch (cinfo.output_components) {
        case 1:
            decodeAndSum<1>(cinfo);
            break;
        case 3:
            decodeAndSum<3>(cinfo);
            break;
        default:
            decodeAndSum<4>(cinfo);
            break;
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    std::fclose(in);
    return 0;
}
