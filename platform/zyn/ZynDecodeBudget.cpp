#include "ZynDecodeBudget.h"

#include <limits>

#include "ZynError.h"
#include "ZynSettings.h"

namespace {

std::string mebibytes(uint64_t bytes) {
    return std::to_string((bytes + (uint64_t{1} << 20) - 1) >> 20) + " MiB";
}

}  // namespace

uint64_t ZynDecodeBudget::bytes() {
    return ZynSettings::get().maxDecodeBytes;
}

bool ZynDecodeBudget::allows(uint64_t claimed) {
    return claimed <= bytes();
}

void ZynDecodeBudget::require(const std::string& fileName, const std::string& what,
                              uint64_t claimed) {
    if (!allows(claimed)) throw ZynError(130, refusal(fileName, what, claimed));
}

std::string ZynDecodeBudget::refusal(const std::string& fileName, const std::string& what,
                                     uint64_t claimed) {
    const std::string amount = claimed == std::numeric_limits<uint64_t>::max()
                                   ? "more than can be counted"
                                   : mebibytes(claimed);
    return "\"" + fileName + "\": " + what + " would take " + amount +
           ", more than the decode budget of " + mebibytes(bytes()) + " (ZYN_MAX_DECODE_MB)";
}

uint64_t ZynDecodeBudget::product(std::initializer_list<uint64_t> factors) {
    uint64_t result = 1;
    for (const uint64_t f : factors) {
        if (f != 0 && result > std::numeric_limits<uint64_t>::max() / f)
            return std::numeric_limits<uint64_t>::max();
        result *= f;
    }
    return result;
}
