#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "FpxStatus.h"
#include "QorSystem.h"

// An open file read by position; closed when destroyed.
class FpxFile {
  public:
    FpxFile(QorDescriptor descriptor, uint64_t size)
        : descriptor_(std::move(descriptor)), size_(size) {}
    FpxFile(const FpxFile&) = delete;
    FpxFile& operator=(const FpxFile&) = delete;

    static FpxStatus open(const std::string& path, std::unique_ptr<FpxFile>& file);

    uint64_t size() const { return size_; }
    // False unless all n bytes were read.
    bool readAt(uint64_t offset, void* destination, size_t n) const;

  private:
    QorDescriptor descriptor_;
    uint64_t size_;
};

using FpxClassId = std::array<uint8_t, 16>;

struct FpxDirectoryEntry {
    std::u16string name;
    uint8_t type = 0;  // 0 unused, 1 storage, 2 stream, 5 root
    uint32_t left = 0, right = 0, child = 0;
    FpxClassId classId{};
    uint32_t start = 0;
    uint64_t size = 0;
};

// A stream of a compound file: the file offset of each of its sectors.
class FpxCompoundStream {
  public:
    FpxCompoundStream() = default;
    FpxCompoundStream(const FpxFile* file, std::vector<uint64_t> sectorOffsets, uint32_t sectorSize,
                      uint64_t size)
        : file_(file), offsets_(std::move(sectorOffsets)), sectorSize_(sectorSize), size_(size) {}

    uint64_t size() const { return size_; }
    // False unless all n bytes lie inside the stream and could be read.
    bool read(uint64_t offset, void* destination, size_t n) const;
    bool readAll(std::vector<uint8_t>& bytes) const;

  private:
    const FpxFile* file_ = nullptr;
    std::vector<uint64_t> offsets_;
    uint32_t sectorSize_ = 0;
    uint64_t size_ = 0;
};

// The compound-file container: header, FAT, mini-FAT, directory and streams. Nothing in the file
// is trusted: every sector number is checked against the file, every chain is bounded and
// checked for loops, and every size is checked against the chain that holds it.
class FpxCompoundFile {
  public:
    static FpxStatus open(const std::string& path, std::unique_ptr<FpxCompoundFile>& result);

    static constexpr int kRoot = 0;
    static constexpr int kNone = -1;

    const FpxDirectoryEntry& entry(int index) const { return entries_[static_cast<size_t>(index)]; }
    const FpxClassId& rootClassId() const { return entries_[0].classId; }
    // The child of storage `parent` called `name` (ASCII), or kNone; InvalidFormat when the
    // directory tree is damaged.
    FpxStatus findChild(int parent, std::string_view name, int& index) const;
    FpxStatus openStream(int index, FpxCompoundStream& stream) const;

  private:
    explicit FpxCompoundFile(std::unique_ptr<FpxFile> file) : file_(std::move(file)) {}

    FpxStatus readHeader();
    FpxStatus readFat();
    FpxStatus readDirectory();
    FpxStatus readMiniStream();
    // The sectors of the chain from `start`, at most `limit` of them (all when `limit` is 0).
    FpxStatus chain(const std::vector<uint32_t>& table, uint32_t start, uint64_t available,
                    uint64_t limit, std::vector<uint32_t>& sectors) const;
    uint64_t sectorOffset(uint32_t sector) const {
        return (static_cast<uint64_t>(sector) + 1) << sectorShift_;
    }
    bool readSector(uint32_t sector, void* destination) const;

    std::unique_ptr<FpxFile> file_;
    uint32_t sectorShift_ = 9;
    uint32_t sectorSize_ = 512;
    uint64_t sectorCount_ = 0;  // sectors that start inside the file
    uint32_t fatSectorCount_ = 0;
    uint32_t firstDirectorySector_ = 0;
    uint32_t firstMiniFatSector_ = 0;
    uint32_t miniFatSectorCount_ = 0;
    uint32_t firstDifatSector_ = 0;
    uint32_t difatSectorCount_ = 0;
    std::vector<uint32_t> difat_;
    std::vector<uint32_t> fat_;
    std::vector<uint32_t> miniFat_;
    std::vector<FpxDirectoryEntry> entries_;
    std::vector<uint64_t> miniStreamOffsets_;  // file offset of each 64-byte mini sector
};
