#include "FpxCompoundFile.h"

#include <cstring>
#include <limits>

#include "FpxBytes.h"

namespace {

constexpr uint8_t kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
constexpr uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr uint32_t kNoStream = 0xFFFFFFFF;
constexpr uint32_t kHeaderDifatEntries = 109;
constexpr uint32_t kMiniSectorSize = 64;
constexpr uint32_t kMiniStreamCutoff = 4096;
constexpr uint32_t kEntrySize = 128;
constexpr uint64_t kAll = std::numeric_limits<uint64_t>::max();

uint64_t sectorsFor(uint64_t bytes, uint32_t sectorSize) {
    return bytes / sectorSize + (bytes % sectorSize != 0);
}

FpxDirectoryEntry parseEntry(const uint8_t* p, bool wideSizes) {
    FpxDirectoryEntry e;
    const size_t nameBytes = std::min<size_t>(fpxU16(p + 0x40), 64);
    for (size_t i = 0; i + 1 < nameBytes; i += 2) {
        const char16_t c = fpxU16(p + i);
        if (c == 0) break;
        e.name.push_back(c);
    }
    e.type = p[0x42];
    e.left = fpxU32(p + 0x44);
    e.right = fpxU32(p + 0x48);
    e.child = fpxU32(p + 0x4C);
    std::memcpy(e.classId.data(), p + 0x50, 16);
    e.start = fpxU32(p + 0x74);
    // Old writers leave garbage in the high half of small-sector files.
    e.size = wideSizes ? fpxU64(p + 0x78) : fpxU32(p + 0x78);
    return e;
}

bool nameIs(const std::u16string& name, std::string_view ascii) {
    if (name.size() != ascii.size()) return false;
    for (size_t i = 0; i < ascii.size(); ++i)
        if (name[i] != static_cast<unsigned char>(ascii[i])) return false;
    return true;
}

}  // namespace

FpxStatus FpxFile::open(const std::string& path, std::unique_ptr<FpxFile>& file) {
    QorDescriptor descriptor(qorOpenReadOnly(path));
    if (descriptor.get() < 0) return FpxStatus::FileNotFound;
    const std::optional<QorFileStatus> status = qorFileStatus(descriptor.get());
    if (!status || !status->regular) return FpxStatus::FileNotFound;
    file = std::make_unique<FpxFile>(std::move(descriptor), status->size);
    return FpxStatus::Ok;
}

bool FpxFile::readAt(uint64_t offset, void* destination, size_t n) const {
    if (offset > size_ || n > size_ - offset) return false;
    auto* out = static_cast<uint8_t*>(destination);
    while (n > 0) {
        const int64_t got = qorReadAt(descriptor_.get(), out, n, offset);
        if (got <= 0) return false;
        out += got;
        offset += static_cast<uint64_t>(got);
        n -= static_cast<size_t>(got);
    }
    return true;
}

bool FpxCompoundStream::read(uint64_t offset, void* destination, size_t n) const {
    if (offset > size_ || n > size_ - offset) return false;
    auto* out = static_cast<uint8_t*>(destination);
    while (n > 0) {
        size_t unit = static_cast<size_t>(offset / sectorSize_);
        const uint64_t start = offsets_[unit] + offset % sectorSize_;
        size_t run = std::min<uint64_t>(n, sectorSize_ - offset % sectorSize_);
        // Sectors that follow each other in the file are read in one go.
        while (run < n && unit + 1 < offsets_.size() &&
               offsets_[unit + 1] == offsets_[unit] + sectorSize_) {
            ++unit;
            run = std::min<size_t>(n, run + sectorSize_);
        }
        if (!file_->readAt(start, out, run)) return false;
        out += run;
        offset += run;
        n -= run;
    }
    return true;
}

bool FpxCompoundStream::readAll(std::vector<uint8_t>& bytes) const {
    bytes.resize(static_cast<size_t>(size_));
    return read(0, bytes.data(), bytes.size());
}

FpxStatus FpxCompoundFile::open(const std::string& path, std::unique_ptr<FpxCompoundFile>& result) {
    std::unique_ptr<FpxFile> file;
    if (FpxStatus s = FpxFile::open(path, file); s != FpxStatus::Ok) return s;
    std::unique_ptr<FpxCompoundFile> compound(new FpxCompoundFile(std::move(file)));
    for (auto step : {&FpxCompoundFile::readHeader, &FpxCompoundFile::readFat,
                      &FpxCompoundFile::readDirectory, &FpxCompoundFile::readMiniStream})
        if (FpxStatus s = (compound.get()->*step)(); s != FpxStatus::Ok) return s;
    result = std::move(compound);
    return FpxStatus::Ok;
}

FpxStatus FpxCompoundFile::readHeader() {
    uint8_t h[512];
    if (!file_->readAt(0, h, sizeof h) || std::memcmp(h, kSignature, 8) != 0 ||
        fpxU16(h + 0x1C) != 0xFFFE)
        return FpxStatus::InvalidFormat;
    const uint16_t major = fpxU16(h + 0x1A);
    sectorShift_ = fpxU16(h + 0x1E);
    if (!((major == 3 && sectorShift_ == 9) || (major == 4 && sectorShift_ == 12)) ||
        fpxU16(h + 0x20) != 6 || fpxU32(h + 0x38) != kMiniStreamCutoff)
        return FpxStatus::InvalidFormat;
    sectorSize_ = 1u << sectorShift_;
    if (file_->size() < sectorSize_) return FpxStatus::InvalidFormat;
    sectorCount_ = sectorsFor(file_->size() - sectorSize_, sectorSize_);
    fatSectorCount_ = fpxU32(h + 0x2C);
    firstDirectorySector_ = fpxU32(h + 0x30);
    firstMiniFatSector_ = fpxU32(h + 0x3C);
    miniFatSectorCount_ = fpxU32(h + 0x40);
    firstDifatSector_ = fpxU32(h + 0x44);
    difatSectorCount_ = fpxU32(h + 0x48);
    if (fatSectorCount_ == 0 || fatSectorCount_ > sectorCount_ ||
        difatSectorCount_ > sectorCount_ || miniFatSectorCount_ > sectorCount_)
        return FpxStatus::InvalidFormat;
    for (uint32_t i = 0; i < kHeaderDifatEntries; ++i) difat_.push_back(fpxU32(h + 0x4C + 4 * i));
    return FpxStatus::Ok;
}

bool FpxCompoundFile::readSector(uint32_t sector, void* destination) const {
    return sector < sectorCount_ && file_->readAt(sectorOffset(sector), destination, sectorSize_);
}

FpxStatus FpxCompoundFile::readFat() {
    const uint32_t perSector = sectorSize_ / 4;
    // FAT sectors past these would describe sectors beyond the end of the file.
    const uint64_t useful =
        std::min<uint64_t>(fatSectorCount_, sectorsFor(sectorCount_, perSector));
    std::vector<uint32_t> fatSectors(
        difat_.begin(), difat_.begin() + std::min(useful, uint64_t{kHeaderDifatEntries}));
    std::vector<bool> seen(sectorCount_);
    std::vector<uint8_t> block(sectorSize_);
    uint32_t next = firstDifatSector_;
    for (uint32_t n = 0; fatSectors.size() < useful; ++n) {
        if (n >= difatSectorCount_ || next >= sectorCount_ || seen[next] ||
            !readSector(next, block.data()))
            return FpxStatus::InvalidFormat;
        seen[next] = true;
        for (uint32_t i = 0; i + 1 < perSector && fatSectors.size() < useful; ++i)
            fatSectors.push_back(fpxU32(block.data() + 4 * i));
        next = fpxU32(block.data() + 4 * (perSector - 1));
    }
    fat_.resize(fatSectors.size() * perSector);
    for (size_t i = 0; i < fatSectors.size(); ++i) {
        if (!readSector(fatSectors[i], block.data())) return FpxStatus::InvalidFormat;
        for (uint32_t k = 0; k < perSector; ++k)
            fat_[i * perSector + k] = fpxU32(block.data() + 4 * k);
    }
    return FpxStatus::Ok;
}

FpxStatus FpxCompoundFile::chain(const std::vector<uint32_t>& table, uint32_t start,
                                 uint64_t available, uint64_t limit,
                                 std::vector<uint32_t>& sectors) const {
    sectors.clear();
    std::vector<bool> seen(std::min<uint64_t>(table.size(), available));
    for (uint32_t s = start; s != kEndOfChain && sectors.size() < limit; s = table[s]) {
        if (s >= seen.size() || seen[s]) return FpxStatus::InvalidFormat;
        seen[s] = true;
        sectors.push_back(s);
    }
    return FpxStatus::Ok;
}

FpxStatus FpxCompoundFile::readDirectory() {
    std::vector<uint32_t> sectors;
    if (FpxStatus s = chain(fat_, firstDirectorySector_, sectorCount_, kAll, sectors);
        s != FpxStatus::Ok)
        return s;
    std::vector<uint8_t> block(sectorSize_);
    for (uint32_t sector : sectors) {
        if (!readSector(sector, block.data())) return FpxStatus::InvalidFormat;
        for (uint32_t at = 0; at < sectorSize_; at += kEntrySize)
            entries_.push_back(parseEntry(block.data() + at, sectorShift_ != 9));
    }
    if (entries_.empty() || entries_[0].type != 5) return FpxStatus::InvalidFormat;
    return FpxStatus::Ok;
}

FpxStatus FpxCompoundFile::readMiniStream() {
    const FpxDirectoryEntry& root = entries_[0];
    if (root.size > file_->size()) return FpxStatus::InvalidFormat;
    std::vector<uint32_t> sectors;
    const uint64_t needed = sectorsFor(root.size, sectorSize_);
    if (needed > 0) {
        if (FpxStatus s = chain(fat_, root.start, sectorCount_, needed, sectors);
            s != FpxStatus::Ok)
            return s;
        if (sectors.size() < needed) return FpxStatus::InvalidFormat;
    }
    const uint64_t miniSectors = sectorsFor(root.size, kMiniSectorSize);
    miniStreamOffsets_.resize(miniSectors);
    for (uint64_t m = 0; m < miniSectors; ++m) {
        const uint64_t at = m * kMiniSectorSize;
        miniStreamOffsets_[m] = sectorOffset(sectors[at / sectorSize_]) + at % sectorSize_;
    }

    if (miniFatSectorCount_ == 0) return FpxStatus::Ok;
    if (FpxStatus s = chain(fat_, firstMiniFatSector_, sectorCount_, miniFatSectorCount_, sectors);
        s != FpxStatus::Ok)
        return s;
    std::vector<uint8_t> block(sectorSize_);
    for (uint32_t sector : sectors) {
        if (!readSector(sector, block.data())) return FpxStatus::InvalidFormat;
        for (uint32_t k = 0; k < sectorSize_ / 4; ++k)
            miniFat_.push_back(fpxU32(block.data() + 4 * k));
    }
    return FpxStatus::Ok;
}

FpxStatus FpxCompoundFile::findChild(int parent, std::string_view name, int& index) const {
    index = kNone;
    const FpxDirectoryEntry& storage = entry(parent);
    if (storage.type != 1 && storage.type != 5) return FpxStatus::InvalidFormat;
    std::vector<bool> seen(entries_.size());
    std::vector<uint32_t> pending{storage.child};
    while (!pending.empty()) {
        const uint32_t at = pending.back();
        pending.pop_back();
        if (at == kNoStream) continue;
        if (at >= entries_.size() || seen[at]) return FpxStatus::InvalidFormat;
        seen[at] = true;
        const FpxDirectoryEntry& e = entries_[at];
        if (e.type != 0 && nameIs(e.name, name)) {
            index = static_cast<int>(at);
            return FpxStatus::Ok;
        }
        pending.push_back(e.left);
        pending.push_back(e.right);
    }
    return FpxStatus::Ok;
}

FpxStatus FpxCompoundFile::openStream(int index, FpxCompoundStream& stream) const {
    const FpxDirectoryEntry& e = entry(index);
    if (e.type != 2 || e.size > file_->size()) return FpxStatus::InvalidFormat;
    const bool mini = e.size < kMiniStreamCutoff;
    const uint32_t unit = mini ? kMiniSectorSize : sectorSize_;
    const uint64_t needed = sectorsFor(e.size, unit);
    std::vector<uint32_t> sectors;
    if (needed > 0) {
        FpxStatus s = mini ? chain(miniFat_, e.start, miniStreamOffsets_.size(), needed, sectors)
                           : chain(fat_, e.start, sectorCount_, needed, sectors);
        if (s != FpxStatus::Ok) return s;
        if (sectors.size() < needed) return FpxStatus::InvalidFormat;
    }
    std::vector<uint64_t> offsets(sectors.size());
    for (size_t i = 0; i < sectors.size(); ++i)
        offsets[i] = mini ? miniStreamOffsets_[sectors[i]] : sectorOffset(sectors[i]);
    stream = FpxCompoundStream(file_.get(), std::move(offsets), unit, e.size);
    return FpxStatus::Ok;
}
