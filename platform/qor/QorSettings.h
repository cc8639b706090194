#pragma once

#include <cstddef>

// Platform settings. Each is read once, at first use, from its environment variable; the
// default applies when the variable is unset or not a number. Tests may assign the fields.
struct QorSettings {
    bool thumbnailsDisabled;    // QOR_NO_THUMBNAILS, default 0
    bool tiffMemoryMapped;      // QOR_TIFF_MMAP, default 1
    bool wideFileNames;         // QOR_WIDE_FILENAMES, default 1
    bool alternativeJpeg;       // QOR_JPEG_ALTERNATIVE, default 0
    bool hasMMX;                // the processor's SIMD support (always 1 on x86-64)
    bool optimizationsEnabled;  // QOR_OPTIMIZE, default 1
    int exifValidationScheme;   // QOR_EXIF_VALIDATION, 0, 1 or 2, default 1

    static QorSettings& get();
};

// Reads an integer environment variable once per call; `fallback` when unset or malformed.
long qorEnvironmentInteger(const char* name, long fallback);
