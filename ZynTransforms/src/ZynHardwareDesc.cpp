#include "ZynHardwareDesc.h"

#include <cstring>
#include <istream>
#include <ostream>
#include <string>

namespace {

ZynHardwareDesc probeHost() {
    const int one = 1;
    unsigned char low = 0;
    std::memcpy(&low, &one, 1);
    const float probe = 1.0810547f;
    uint32_t bits = 0;
    std::memcpy(&bits, &probe, sizeof bits);
    return {low == 1 ? 1u : 0u, bits == 0x3F8A6000u ? 1u : 0u, 5};
}

struct NamedDesc {
    const char* name;
    const ZynHardwareDesc* desc;
};

const NamedDesc kNamed[] = {
    {"vaxHWD", &vaxHWD},     {"alphaHWD", &alphaHWD}, {"intelHWD", &intelHWD},
    {"sparcHWD", &sparcHWD}, {"ppcHWD", &ppcHWD},     {"nativeHWD", &nativeHWD},
};

}  // namespace

const ZynHardwareDesc vaxHWD{1, 0, 0};
const ZynHardwareDesc alphaHWD{1, 1, 1};
const ZynHardwareDesc intelHWD{1, 1, 2};
const ZynHardwareDesc sparcHWD{0, 1, 3};
const ZynHardwareDesc ppcHWD{0, 1, 4};
const ZynHardwareDesc nativeHWD = probeHost();

std::ostream& operator<<(std::ostream& out, const ZynHardwareDesc& hardware) {
    return out << (hardware.id <= 4 ? kNamed[hardware.id].name : "nativeHWD");
}

std::istream& operator>>(std::istream& in, ZynHardwareDesc& hardware) {
    std::string name;
    if (!(in >> name)) return in;
    for (const NamedDesc& named : kNamed) {
        if (name == named.name) {
            hardware = *named.desc;
            return in;
        }
    }
    hardware = nativeHWD;
    in.setstate(std::ios::failbit);
    return in;
}
