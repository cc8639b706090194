// Writes a large PPM of smooth gradients for the benchmarks: make_bench_ppm WIDTH HEIGHT OUT

#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 4) return 2;
    const long width = std::atol(argv[1]), height = std::atol(argv[2]);
    FILE* out = std::fopen(argv[3], "wb");
    if (!out || width <= 0 || height <= 0) return 1;
    std::fprintf(out, "P6\n%ld %ld\n255\n", width, height);
    std::vector<unsigned char> row(static_cast<size_t>(width) * 3);
    for (long y = 0; y < height; ++y) {
        for (long x = 0; x < width; ++x) {
            row[x * 3 + 0] = static_cast<unsigned char>(x * 255 / width);
            row[x * 3 + 1] = static_cast<unsigned char>(y * 255 / height);
            row[x * 3 + 2] = static_cast<unsigned char>((x + y) & 0xFF);
        }
        std::fwrite(row.data(), 1, row.size(), out);
    }
    return std::fclose(out) == 0 ? 0 : 1;
}
