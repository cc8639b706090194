#include "TevColorSpace.h"

namespace {

constexpr const char* kNames[] = {
    "TEV_UNKNOWN",   "TEV_CIEXYZD65", "TEV_CMY",    "TEV_CMYK",   "TEV_GENERIC1", "TEV_GENERIC3",
    "TEV_GENERIC4",  "TEV_GENERICN",  "TEV_LUM",    "TEV_LUMA",   "TEV_NIF8",     "TEV_NIFLINEAR",
    "TEV_NIFPRIME",  "TEV_VDXLUM",    "TEV_VDXRGB", "TEV_VDXYCC", "TEV_VDXYCCA",  "TEV_PCSXYZ",
    "TEV_RGB",       "TEV_RGBA",      "TEV_RIMRGB", "TEV_TSPACE", "TEV_USPACE",   "TEV_YCbCr",
    "TEV_YCbCrA",    "TEV_ERIMM",     "TEV_RIMM",   "TEV_ROMM",   "TEV_RPD",      "TEV_PCSCIELAB",
    "TEV_ADOBESRGB",
};

}  // namespace

const char* tevColorSpaceName(TevColorSpace space) {
    const auto index = static_cast<unsigned>(space);
    return index < sizeof kNames / sizeof kNames[0] ? kNames[index] : kNames[0];
}
