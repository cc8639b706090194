#pragma once

// Units of an image's extent as the control reports them; the framework's ZynUnit has the same
// codes.
enum TevSpatialUnit {
    TEV_ARBITRARY = 0,
    TEV_PIXEL = 1,
    TEV_WIDTH = 2,
    TEV_HEIGHT = 3,
    TEV_NORMALIZED = 4,
    TEV_METER = 5,
    TEV_MICRON = 6,
    TEV_MM = 7,
    TEV_CM = 8,
    TEV_DM = 9,
    TEV_MIL = 10,
    TEV_PT = 11,
    TEV_PICA = 12,
    TEV_INCH = 13,
    TEV_UNDEFINED = 999,
};
