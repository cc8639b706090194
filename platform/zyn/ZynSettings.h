#pragma once

#include <cstddef>
#include <cstdint>

// Framework constants, each read once from its environment variable (defaults in brackets).
// Tests may assign the fields.
struct ZynSettings {
    bool trace;                    // ZYN_TRACE [0]: diagnostics on standard output
    uint32_t minTileHeight;        // ZYN_MIN_TILE_HEIGHT [64]: smallest native tile height
    uint32_t defaultStripHeight;   // ZYN_STRIP_HEIGHT [64]: strip height of strip-wise sources
    uint32_t defaultTileHeight;    // ZYN_TILE_HEIGHT [256]
    uint32_t preferredBandHeight;  // ZYN_BAND_HEIGHT [64]: band height of band-wise decoders
    size_t cacheBytes;             // ZYN_CACHE_BYTES [64 MiB]: tile cache budget per output
    uint64_t maxDecodeBytes;       // ZYN_MAX_DECODE_MB [1024]: the most one decode may allocate
    uint32_t threads;              // ZYN_THREADS [cores]: threads rendering one request at once

    static ZynSettings& get();
};
