#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "FpxStatus.h"

// The first section of a property-set stream. Values are decoded when asked for, each checked
// against the section's end; a value of another type or one that does not fit reads as absent.
class FpxPropertySet {
  public:
    // InvalidFormat when the bytes are not a property set or a property lies outside its section.
    static FpxStatus parse(std::vector<uint8_t> bytes, FpxPropertySet& set);

    bool has(uint32_t id) const { return find(id) != nullptr; }
    // Integer types that hold a non-negative value.
    bool getUInt32(uint32_t id, uint32_t& value) const;
    bool getFloat(uint32_t id, float& value) const;
    bool getFloatVector(uint32_t id, std::vector<float>& values) const;
    bool getUInt32Vector(uint32_t id, std::vector<uint32_t>& values) const;
    bool getBlob(uint32_t id, const uint8_t*& data, size_t& size) const;
    // Narrow or wide text, as UTF-8.
    bool getText(uint32_t id, std::string& text) const;
    bool getFileTime(uint32_t id, uint64_t& value) const;
    // The data of a clipboard value, format word excluded.
    bool getClipboard(uint32_t id, const uint8_t*& data, size_t& size) const;

  private:
    // Where a value's type word starts and how many bytes of the section follow it.
    struct Value {
        uint16_t type = 0;
        const uint8_t* data = nullptr;
        size_t available = 0;
    };
    const Value* find(uint32_t id) const;
    // A count followed by that many units of `unitSize` bytes.
    bool getCounted(uint32_t id, uint16_t type, size_t unitSize, const uint8_t*& data,
                    size_t& count) const;

    // A vector of 4-byte elements.
    template <class T>
    bool getVector(uint32_t id, uint16_t elementType, T (*decode)(const uint8_t*),
                   std::vector<T>& values) const;

    std::vector<uint8_t> bytes_;
    std::vector<std::pair<uint32_t, Value>> values_;
    int codePage_ = 0;
};
