#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "QorString.h"
#include "ZynAnyImageSource.h"
#include "ZynGraph.h"
#include "ZynImageOutputCP.h"
#include "ZynTransformRegistryEntry.h"

// Runs `call`; a bad input may be refused, and must be refused cleanly, which is all that counts.
template <class Call>
void quietly(Call&& call) {
    try {
        call();
    } catch (const QorError&) {
    }
}

// Writes the input to /tmp/zynfuzz_<process><suffix>; returns the path, or "" when it cannot.
inline std::string fuzzWriteInput(const uint8_t* data, size_t size, const std::string& suffix) {
    const std::string path = "/tmp/zynfuzz_" + std::to_string(getpid()) + suffix;
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return {};
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    return path;
}

// Renders a bounded part of every resolution of an output: the top rows and, with `bottomFirst`,
// the bottom rows before them, so that strips passed over are kept and then served; into buffers
// that may adopt memory when `adoptable`.
inline void fuzzRenderOutput(ZynTransform& source, int output, bool bottomFirst = false,
                             bool adoptable = false) {
    constexpr int64_t kMaxPixels = 1 << 20;
    constexpr int64_t kMaxBytes = 1 << 26;
    ZynImageOutputCP* out = source.imageOutput(output);
    if (!out || !out->coordSpace() || !out->dataOrg()) return;
    // Images of many bands or wide samples get fewer pixels.
    const int64_t pixelBytes =
        out->dataOrg()->bands() * static_cast<int64_t>(out->dataOrg()->sampleSize());
    const int64_t maxPixels = std::min(kMaxPixels, kMaxBytes / pixelBytes);
    // A copy: rendering may set the source up again and replace its coordinate space.
    const std::vector<ZynResolution> resolutions = out->coordSpace()->resolutions();
    for (const ZynResolution& r : resolutions) {
        const int64_t w = r.width,
                      h = std::min<int64_t>(r.height, maxPixels / std::max<int64_t>(w, 1));
        if (w > maxPixels || h <= 0) continue;
        const std::vector<int64_t> tops =
            bottomFirst ? std::vector<int64_t>{r.height - h, 0} : std::vector<int64_t>{0};
        for (const int64_t top : tops) {
            auto org = std::make_shared<ZynSimpleDataOrg>(
                out->dataOrg()->resized(static_cast<uint32_t>(w), static_cast<uint32_t>(h)));
            ZynRectBuffer buffer({0, top, w, h}, org);
            buffer.setCanAdopt(adoptable);
            quietly([&] { ZynGraph::render(source, output, r, buffer); });
        }
    }
}

// Opens a file (by recognition, or with the source registered as `registryName`), sets it up,
// and renders a bounded part of every resolution it offers.
inline void fuzzRenderFile(const std::string& path, const char* registryName = nullptr) {
    quietly([&] {
        ZynTransformPtr source = registryName ? ZynTransformRegistry::create(registryName)
                                              : std::make_shared<ZynAnyImageSource>();
        source->setAttribute<std::wstring>("wfile_name", qorWiden(path));
        source->setAttribute<bool>("keep_open", false);
        if (ZynGraph::statusOK(*source)) fuzzRenderOutput(*source, source->primaryOutputIndex());
    });
}

// Writes the input to a file and renders it with fuzzRenderFile.
inline int fuzzImage(const uint8_t* data, size_t size, const char* registryName = nullptr,
                     const char* suffix = "") {
    const std::string path = fuzzWriteInput(data, size, suffix);
    if (!path.empty()) fuzzRenderFile(path, registryName);
    return 0;
}
