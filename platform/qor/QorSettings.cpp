#include "QorSettings.h"

#include <cstdlib>

long qorEnvironmentInteger(const char* name, long fallback) {
    const char* text = std::getenv(name);
    if (!text || !*text) return fallback;
    char* end = nullptr;
    const long value = std::strtol(text, &end, 0);
    return *end == '\0' ? value : fallback;
}

namespace {

bool processorHasSimd() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_cpu_init();
    return __builtin_cpu_supports("mmx");
#else
    return false;
#endif
}

QorSettings readSettings() {
    QorSettings s{};
    s.thumbnailsDisabled = qorEnvironmentInteger("QOR_NO_THUMBNAILS", 0) != 0;
    s.tiffMemoryMapped = qorEnvironmentInteger("QOR_TIFF_MMAP", 1) != 0;
    s.wideFileNames = qorEnvironmentInteger("QOR_WIDE_FILENAMES", 1) != 0;
    s.alternativeJpeg = qorEnvironmentInteger("QOR_JPEG_ALTERNATIVE", 0) != 0;
    s.hasMMX = processorHasSimd();
    s.optimizationsEnabled = qorEnvironmentInteger("QOR_OPTIMIZE", 1) != 0;
    const long scheme = qorEnvironmentInteger("QOR_EXIF_VALIDATION", 1);
    s.exifValidationScheme = scheme >= 0 && scheme <= 2 ? static_cast<int>(scheme) : 1;
    return s;
}

}  // namespace

QorSettings& QorSettings::get() {
    static QorSettings settings = readSettings();
    return settings;
}
