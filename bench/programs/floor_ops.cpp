// The floor for point operations on a PPM: read the file, apply the operation to every sample in
// a plain loop, and take the per-band minimum, maximum and mean, as `anyimage stats` does.
//   floor_ops contrast C FILE     the contrast curve through a 256-entry table
//   floor_ops matrix FILE         a colour twist (chroma x 1.3) between the RGB conversions

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

struct Stats {
    uint8_t low[3] = {255, 255, 255};
    uint8_t high[3] = {0, 0, 0};
    uint64_t sum[3] = {0, 0, 0};

    void add(const uint8_t* pixel) {
        for (int b = 0; b < 3; ++b) {
            low[b] = std::min(low[b], pixel[b]);
            high[b] = std::max(high[b], pixel[b]);
            sum[b] += pixel[b];
        }
    }
};

using Matrix = double[4][4];

void multiply(const Matrix& a, const Matrix& b, Matrix& out) {
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) {
            out[r][c] = 0;
            for (int k = 0; k < 4; ++k) out[r][c] += a[r][k] * b[k][c];
        }
}

uint8_t toByte(double v) {
    const double w = v + 0.5;
    if (w >= 255) return 255;
    return w >= 0 ? static_cast<uint8_t>(w) : 0;
}

// Skips "P6", width, height and maxval; returns the pixel count.
long readHeader(int fd) {
    char header[64];
    const ssize_t got = read(fd, header, sizeof header);
    long width = 0, height = 0, maxval = 0;
    int used = 0;
    if (got <= 0 || std::sscanf(header, "P6 %ld %ld %ld%n", &width, &height, &maxval, &used) != 3)
        return -1;
    lseek(fd, used + 1, SEEK_SET);
    return width * height;
}

}  // namespace

int main(int argc, char** argv) {
    const bool contrast = argc == 4 && std::strcmp(argv[1], "contrast") == 0;
    const bool matrix = argc == 3 && std::strcmp(argv[1], "matrix") == 0;
    if (!contrast && !matrix) return 2;
    const int fd = open(argv[argc - 1], O_RDONLY);
    if (fd < 0 || readHeader(fd) < 0) return 1;

    uint8_t table[256];
    const double c = contrast ? std::atof(argv[2]) : 1.0, k = static_cast<double>(110.08f);
    for (int i = 0; i < 256; ++i)
        table[i] = static_cast<uint8_t>(std::lround(std::min(255.0, k * std::pow(i / k, c))));
    const Matrix in = {{0.001210053, 0.002375589, 0.000461358, 0},
                       {-0.001210053, -0.002375589, 0.003585642, 0},
                       {0.002836947, -0.002375589, -0.000461358, 0},
                       {0, 0, 0, 1}};
    const Matrix out = {
        {247.1, 0, 247.1, 0}, {247.1, -47.9374, -125.7739, 0}, {247.1, 247.1, 0, 0}, {0, 0, 0, 1}};
    const Matrix twist = {{1, 0, 0, 0}, {0, 1.3, 0, 0}, {0, 0, 1.3, 0}, {0, 0, 0, 1}};
    Matrix half, e;
    multiply(out, twist, half);
    multiply(half, in, e);

    std::vector<uint8_t> buffer(3 << 20);
    Stats stats;
    ssize_t got;
    while ((got = read(fd, buffer.data(), buffer.size())) > 0) {
        for (ssize_t i = 0; i + 3 <= got; i += 3) {
            uint8_t* p = &buffer[static_cast<size_t>(i)];
            if (contrast) {
                p[0] = table[p[0]], p[1] = table[p[1]], p[2] = table[p[2]];
            } else {
                const double s0 = p[0], s1 = p[1], s2 = p[2];
                p[0] = toByte(e[0][0] * s0 + e[0][1] * s1 + e[0][2] * s2 + e[0][3]);
                p[1] = toByte(e[1][0] * s0 + e[1][1] * s1 + e[1][2] * s2 + e[1][3]);
                p[2] = toByte(e[2][0] * s0 + e[2][1] * s1 + e[2][2] * s2 + e[2][3]);
            }
            stats.add(p);
        }
    }
    close(fd);
    for (int b = 0; b < 3; ++b)
        std::printf("band %d: min %d max %d sum %llu\n", b, stats.low[b], stats.high[b],
                    static_cast<unsigned long long>(stats.sum[b]));
    return 0;
}
