#pragma once

// The optional libpng read transformations of a PNG source, one per bool attribute of the source.
struct PNGReadOptions {
    bool to8Bit = false;           // "png_16to8": 16-bit samples cut to their high byte
    bool grayToColor = false;      // "png_grytoclr"
    bool colorToGray = false;      // "png_clrtogry": the library's default weights
    bool noAlpha = false;          // "png_noalpha"
    bool invertAlpha = false;      // "png_alphamode": 0 opaque instead of transparent
    bool rgbToBgr = false;         // "png_rgbtobgr"
    bool preFill = false;          // "png_prefillpixels": an opaque channel before RGB
    bool postFill = false;         // "png_postfillpixels": an opaque channel after RGB
    bool alphaFirst = false;       // "png_rgbatoargb"
    bool invertGray = false;       // "png_invertmaxmin"
    bool changeByteOrder = false;  // "png_changebyteorder": kept for hosts; reading ignores it

    bool operator==(const PNGReadOptions&) const = default;
};
