// The floor for whole-image work on a PPM: read the file and sum its bytes.

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    const int fd = open(argv[1], O_RDONLY);
    if (fd < 0) return 1;
    std::vector<unsigned char> buffer(1 << 20);
    uint64_t sum = 0;
    ssize_t got;
    while ((got = read(fd, buffer.data(), buffer.size())) > 0)
        for (ssize_t i = 0; i < got; ++i) sum += buffer[static_cast<size_t>(i)];
    close(fd);
    std::printf("%llu\n", static_cast<unsigned long long>(sum));
    return 0;
}
