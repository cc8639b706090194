#pragma once

#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>

// Edits of a little-endian classic TIFF held in memory, to make damaged files from sound ones.
class TiffBytes {
  public:
    explicit TiffBytes(std::string bytes) : bytes_(std::move(bytes)) {}
    const std::string& bytes() const { return bytes_; }

    // Offset of the index-th directory of the chain.
    uint32_t ifd(int index) const {
        uint32_t offset = get32(4);
        for (int i = 0; i < index; ++i) offset = get32(nextPointer(offset));
        return offset;
    }
    size_t nextPointer(uint32_t ifd) const { return ifd + 2 + size_t{get16(ifd)} * 12; }
    void setNextIfd(uint32_t ifd, uint32_t next) { set32(nextPointer(ifd), next); }

    // Makes a tag hold one LONG value, whatever type it had.
    void setLong(uint32_t ifd, uint16_t tag, uint32_t value) {
        const size_t entry = find(ifd, tag);
        set16(entry + 2, 4);
        set32(entry + 4, 1);
        set32(entry + 8, value);
    }
    // Renumbers a tag (to one the reader does not know, say), leaving its value.
    void setTag(uint32_t ifd, uint16_t tag, uint16_t newTag) { set16(find(ifd, tag), newTag); }

  private:
    size_t find(uint32_t ifd, uint16_t tag) const {
        for (uint16_t i = 0; i < get16(ifd); ++i)
            if (get16(ifd + 2 + size_t{i} * 12) == tag) return ifd + 2 + size_t{i} * 12;
        throw std::runtime_error("tag " + std::to_string(tag) + " not in the directory");
    }
    uint16_t get16(size_t at) const {
        uint16_t v;
        std::memcpy(&v, bytes_.data() + at, 2);
        return v;
    }
    uint32_t get32(size_t at) const {
        uint32_t v;
        std::memcpy(&v, bytes_.data() + at, 4);
        return v;
    }
    void set16(size_t at, uint16_t v) { std::memcpy(bytes_.data() + at, &v, 2); }
    void set32(size_t at, uint32_t v) { std::memcpy(bytes_.data() + at, &v, 4); }

    std::string bytes_;
};
