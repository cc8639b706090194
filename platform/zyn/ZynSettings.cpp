#include "ZynSettings.h"

#include <algorithm>
#include <thread>

#include "QorSettings.h"

namespace {

uint32_t positive(const char* name, long fallback) {
    const long value = qorEnvironmentInteger(name, fallback);
    return static_cast<uint32_t>(value >= 1 && value <= (1 << 20) ? value : fallback);
}

ZynSettings readSettings() {
    ZynSettings s{};
    s.trace = qorEnvironmentInteger("ZYN_TRACE", 0) != 0;
    s.minTileHeight = positive("ZYN_MIN_TILE_HEIGHT", 64);
    s.defaultStripHeight = positive("ZYN_STRIP_HEIGHT", 64);
    s.defaultTileHeight = positive("ZYN_TILE_HEIGHT", 256);
    s.preferredBandHeight = positive("ZYN_BAND_HEIGHT", 64);
    const long cache = qorEnvironmentInteger("ZYN_CACHE_BYTES", 64L << 20);
    s.cacheBytes = static_cast<size_t>(cache > 0 ? cache : 64L << 20);
    s.maxDecodeBytes = uint64_t{positive("ZYN_MAX_DECODE_MB", 1024)} << 20;
    // More threads than any machine has cores would only cost stacks.
    s.threads = std::min<uint32_t>(
        positive("ZYN_THREADS", std::max(1u, std::thread::hardware_concurrency())), 1024);
    return s;
}

}  // namespace

ZynSettings& ZynSettings::get() {
    static ZynSettings settings = readSettings();
    return settings;
}
