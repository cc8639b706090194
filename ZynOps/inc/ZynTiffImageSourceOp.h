#pragma once

#include <mutex>

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "SharedTiffFile.h"
#include "ZynFile.h"
#include "ZynImageSourceOp.h"
#include "ZynTiffDirectory.h"
#include "ZynTiffLayout.h"

// Renders one resolution of a TIFF file; resolution i is the i-th directory the scan accepted.
// The op of the full-size image opens and scans the file; the ops of other resolutions are
// copies of it that share its file.
class ZynTiffImageSourceOp : public ZynFile, public ZynImageSourceOp {
  public:
    ZynTiffImageSourceOp(const std::wstring& fileName, bool keepOpen);
    // The op of resolution `resolution`, sharing `main`'s file.
    ZynTiffImageSourceOp(const ZynTiffImageSourceOp& main, int16_t resolution);

    // Closes the shared file; the next request opens it again.
    void close() override;
    bool open() override;

    bool outputInfo(ZynOutputInfo& info) override;
    // Fills the whole image, or one native tile at its place in the tile grid.
    void genRect(ZynRectBuffer& buffer) override;
    bool canFill(const ZynRectBuffer& buffer) override;
    ZynColorSpacePtr getColorSpace() override;
    // Requests in any order are safe and cost no more; they gain where chunks decode outside
    // the shared file's lock.
    bool takesConcurrentRequests() const override { return true; }
    bool gainsFromConcurrentRequests() const override {
        return usable_ && valid() && decodesConcurrently();
    }
    bool decodesWholeTiles() const override { return true; }

    bool usable() const { return usable_; }
    // NEWSUBFILETYPE of the directory behind resolution `index`, when it has one.
    std::optional<uint32_t> subfileType(int index) const;
    const std::shared_ptr<SharedTiffFile>& sharedFile() const { return shared_; }

  private:
    ZynTiffImageSourceOp(const ZynTiffImageSourceOp& main, int16_t resolution,
                         std::unique_lock<std::mutex> fileLock);
    // Decodes the chunk at `chunk` of `plane` into at most `size` bytes; returns the count.
    using ChunkReader =
        std::function<int64_t(const ZynRect& chunk, int plane, void* destination, int64_t size)>;

    // Opens the shared file, whose lock the caller holds; the error when that fails.
    std::optional<ZynError> openLocked();
    void scanDirectories();
    void describeSelected();
    // An error whose text names the file (and the system's reason, when given), after the
    // errors this op already recorded.
    ZynError opError(int code, const std::string& message, int osError = 0) const;

    TiffFile& selectDirectory();
    void fill(ZynRectBuffer& buffer);
    static ZynError requestError(const std::exception_ptr& failure);
    // Whether chunks of the selected resolution decode outside the shared file's lock.
    bool decodesConcurrently() const;
    std::optional<TiffChunkDecoder> concurrentDecoder(const TiffFile& file) const;
    int64_t readConcurrently(const TiffChunkDecoder& decoder, const ZynRect& chunk, int plane,
                             std::vector<uint8_t>& stored, void* destination, int64_t size);
    uint32_t chunkIndex(const TiffFile& file, const ZynRect& chunk, int plane) const;
    int64_t readEncoded(TiffFile& file, uint32_t index, void* destination, int64_t size) const;
    void readChunks(ZynRectBuffer& buffer, const ChunkReader& read);
    void placeChunk(const ZynRect& chunk, uint32_t rows, int plane, const ChunkReader& read,
                    ZynRectBuffer& buffer, std::unique_ptr<std::byte[]>& scratch);
    bool decodesInPlace(const ZynRectBuffer& buffer, const ZynRect& chunk, uint32_t rows) const;

    std::shared_ptr<SharedTiffFile> shared_;
    std::shared_ptr<const std::vector<ZynTiffDirectory>> directories_;
    bool usable_ = false;
    ZynTiffLayout layout_;
    ZynColorSpacePtr colorSpace_;
    std::string narrowName_;
};
