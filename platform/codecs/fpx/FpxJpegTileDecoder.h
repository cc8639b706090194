#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "FpxStatus.h"

// Decodes the JPEG tiles of one image with libjpeg-turbo. Tiles may be abbreviated streams
// that need a tables stream, which stays loaded until another one is needed.
class FpxJpegTileDecoder {
  public:
    FpxJpegTileDecoder();
    ~FpxJpegTileDecoder();
    FpxJpegTileDecoder(const FpxJpegTileDecoder&) = delete;
    FpxJpegTileDecoder& operator=(const FpxJpegTileDecoder&) = delete;

    struct Job {
        const uint8_t* tables = nullptr;  // the tables stream, when tablesIndex > 0
        size_t tablesSize = 0;
        int tablesIndex = 0;  // 0: the tile is a complete stream
        const uint8_t* tile = nullptr;
        size_t tileSize = 0;
        int channels = 0;
        bool converted = false;  // the encoder converted RGB(A) to YCbCr(K)
        uint8_t* out = nullptr;  // row 0 of the tile, `channels` samples per pixel
        ptrdiff_t rowStride = 0;
        int columns = 0;  // the part of the tile the caller needs
        int rows = 0;
    };
    // CorruptTile when the data cannot be decoded or is not a tile of this image.
    FpxStatus decode(const Job& job);

    struct State;

  private:
    std::unique_ptr<State> state_;
};
