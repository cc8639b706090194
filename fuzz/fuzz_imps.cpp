// IMPS file sets. The input is the doc file, a zero byte, a byte that chooses the kind of set,
// and the data; an input without a zero byte is a doc file with no data.
#include <cstring>

#include "FuzzImage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string base = "/tmp/zynfuzz_" + std::to_string(getpid()) + "_imps";
    const auto writeBytes = [](const char* ext, const uint8_t* bytes, size_t count) {
        fuzzWriteInput(bytes, count, std::string("_imps") + ext);
    };
    const auto* zero = static_cast<const uint8_t*>(std::memchr(data, 0, size));
    const size_t docSize = zero ? static_cast<size_t>(zero - data) : size;
    const size_t rest = zero ? size - docSize - 1 : 0;
    const uint8_t kind = rest ? zero[1] % 5 : 0;
    const uint8_t* samples = rest ? zero + 2 : data;
    const size_t sampleSize = rest ? rest - 1 : 0;

    for (const char* ext : {".lum", ".img", ".rgb", ".red", ".grn", ".blu"})
        std::remove((base + ext).c_str());
    writeBytes(".doc", data, docSize);
    static const char* const kOpened[] = {".lum", ".img", ".rgb", ".red", ".doc"};
    if (kind < 3) {
        writeBytes(kOpened[kind], samples, sampleSize);
    } else {
        // Three band files, a third of the data each.
        const size_t third = sampleSize / 3;
        writeBytes(".red", samples, third);
        writeBytes(".grn", samples + third, third);
        writeBytes(".blu", samples + 2 * third, sampleSize - 2 * third);
    }
    fuzzRenderFile(base + kOpened[kind], "IMPSSource");
    return 0;
}
