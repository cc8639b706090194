#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>

// The most memory a single decode may allocate (ZynSettings::maxDecodeBytes). Sizes come from
// what a file's header claims and are checked before the codec is called, so that a few bytes of
// damaged header cannot make the host allocate gigabytes.
class ZynDecodeBudget {
  public:
    static uint64_t bytes();
    static bool allows(uint64_t claimed);
    // Throws ZynError 130 naming the file, the claim and the budget when `claimed` exceeds it.
    static void require(const std::string& fileName, const std::string& what, uint64_t claimed);
    static std::string refusal(const std::string& fileName, const std::string& what,
                               uint64_t claimed);
    // Multiplies sizes from a header, saturating instead of wrapping.
    static uint64_t product(std::initializer_list<uint64_t> factors);
};
