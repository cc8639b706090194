#pragma once

// Colour spaces as the control reports them.
enum TevColorSpace {
    TEV_UNKNOWN = 0,
    TEV_CIEXYZD65 = 1,
    TEV_CMY = 2,
    TEV_CMYK = 3,
    TEV_GENERIC1 = 4,
    TEV_GENERIC3 = 5,
    TEV_GENERIC4 = 6,
    TEV_GENERICN = 7,
    TEV_LUM = 8,
    TEV_LUMA = 9,
    TEV_NIF8 = 10,
    TEV_NIFLINEAR = 11,
    TEV_NIFPRIME = 12,
    TEV_VDXLUM = 13,
    TEV_VDXRGB = 14,
    TEV_VDXYCC = 15,
    TEV_VDXYCCA = 16,
    TEV_PCSXYZ = 17,
    TEV_RGB = 18,
    TEV_RGBA = 19,
    TEV_RIMRGB = 20,
    TEV_TSPACE = 21,
    TEV_USPACE = 22,
    TEV_YCbCr = 23,
    TEV_YCbCrA = 24,
    TEV_ERIMM = 25,
    TEV_RIMM = 26,
    TEV_ROMM = 27,
    TEV_RPD = 28,
    TEV_PCSCIELAB = 29,
    TEV_ADOBESRGB = 30,
};

// The enumerator's name ("TEV_RGB"), or "TEV_UNKNOWN" for values outside the enumeration.
const char* tevColorSpaceName(TevColorSpace space);
