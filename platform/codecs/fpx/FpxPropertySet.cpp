#include "FpxPropertySet.h"

#include <algorithm>

#include "FpxBytes.h"

namespace {

constexpr uint16_t kI2 = 2, kI4 = 3, kR4 = 4, kLpstr = 0x1E, kLpwstr = 0x1F, kUi2 = 0x12,
                   kUi4 = 0x13, kFileTime = 0x40, kBlob = 0x41, kClipboard = 0x47, kVector = 0x1000;
constexpr uint32_t kCodePageId = 1;
constexpr int kUtf16CodePage = 1200;
constexpr size_t kStreamHeader = 28;

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | c >> 6);
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | c >> 12);
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | c >> 18);
        out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// UTF-16LE up to the first NUL; unpaired surrogates become '?'.
std::string utf16ToUtf8(const uint8_t* p, size_t units) {
    std::string out;
    for (size_t i = 0; i < units; ++i) {
        char32_t c = fpxU16(p + 2 * i);
        if (c == 0) break;
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < units) {
            const char32_t low = fpxU16(p + 2 * (i + 1));
            if (low >= 0xDC00 && low < 0xE000) {
                appendUtf8(out, 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00));
                ++i;
                continue;
            }
        }
        appendUtf8(out, c >= 0xD800 && c < 0xE000 ? U'?' : c);
    }
    return out;
}

}  // namespace

FpxStatus FpxPropertySet::parse(std::vector<uint8_t> bytes, FpxPropertySet& set) {
    set = FpxPropertySet();
    set.bytes_ = std::move(bytes);
    const std::vector<uint8_t>& b = set.bytes_;
    if (b.size() < kStreamHeader + 20 || fpxU16(b.data()) != 0xFFFE || fpxU32(b.data() + 24) < 1)
        return FpxStatus::InvalidFormat;
    const uint64_t section = fpxU32(b.data() + kStreamHeader + 16);
    if (section > b.size() - 8) return FpxStatus::InvalidFormat;
    const size_t end = section + std::min<uint64_t>(fpxU32(b.data() + section), b.size() - section);
    const uint64_t count = fpxU32(b.data() + section + 4);
    if (end < section + 8 || count > (end - section - 8) / 8) return FpxStatus::InvalidFormat;
    for (uint64_t i = 0; i < count; ++i) {
        const uint8_t* pair = b.data() + section + 8 + 8 * i;
        const uint64_t at = section + static_cast<uint64_t>(fpxU32(pair + 4));
        if (at + 4 > end) return FpxStatus::InvalidFormat;
        set.values_.push_back({fpxU32(pair), Value{fpxU16(b.data() + at), b.data() + at + 4,
                                                   static_cast<size_t>(end - at - 4)}});
    }
    uint32_t codePage = 0;
    if (const Value* v = set.find(kCodePageId); v && v->type == kI2 && v->available >= 2)
        codePage = fpxU16(v->data);
    set.codePage_ = static_cast<int>(codePage);
    return FpxStatus::Ok;
}

const FpxPropertySet::Value* FpxPropertySet::find(uint32_t id) const {
    for (const auto& [key, value] : values_)
        if (key == id) return &value;
    return nullptr;
}

bool FpxPropertySet::getUInt32(uint32_t id, uint32_t& value) const {
    const Value* v = find(id);
    if (!v || v->available < 4) return false;
    switch (v->type) {
        case kUi2:
            value = fpxU16(v->data);
            return true;
        case kI2:
            if (static_cast<int16_t>(fpxU16(v->data)) < 0) return false;
            value = fpxU16(v->data);
            return true;
        case kUi4:
            value = fpxU32(v->data);
            return true;
        case kI4:
            if (static_cast<int32_t>(fpxU32(v->data)) < 0) return false;
            value = fpxU32(v->data);
            return true;
        default:
            return false;
    }
}

bool FpxPropertySet::getFloat(uint32_t id, float& value) const {
    const Value* v = find(id);
    if (!v || v->type != kR4 || v->available < 4) return false;
    value = fpxF32(v->data);
    return true;
}

bool FpxPropertySet::getCounted(uint32_t id, uint16_t type, size_t unitSize, const uint8_t*& data,
                                size_t& count) const {
    const Value* v = find(id);
    if (!v || v->type != type || v->available < 4) return false;
    count = fpxU32(v->data);
    if (count > (v->available - 4) / unitSize) return false;
    data = v->data + 4;
    return true;
}

template <class T>
bool FpxPropertySet::getVector(uint32_t id, uint16_t elementType, T (*decode)(const uint8_t*),
                               std::vector<T>& values) const {
    const uint8_t* data;
    size_t count;
    if (!getCounted(id, kVector | elementType, 4, data, count)) return false;
    values.resize(count);
    for (size_t i = 0; i < count; ++i) values[i] = decode(data + 4 * i);
    return true;
}

bool FpxPropertySet::getFloatVector(uint32_t id, std::vector<float>& values) const {
    return getVector(id, kR4, fpxF32, values);
}

bool FpxPropertySet::getUInt32Vector(uint32_t id, std::vector<uint32_t>& values) const {
    return getVector(id, kUi4, fpxU32, values);
}

bool FpxPropertySet::getBlob(uint32_t id, const uint8_t*& data, size_t& size) const {
    return getCounted(id, kBlob, 1, data, size);
}

bool FpxPropertySet::getClipboard(uint32_t id, const uint8_t*& data, size_t& size) const {
    if (!getCounted(id, kClipboard, 1, data, size) || size < 4) return false;
    data += 4;
    size -= 4;
    return true;
}

bool FpxPropertySet::getText(uint32_t id, std::string& text) const {
    const uint8_t* data;
    size_t count;
    if (getCounted(id, kLpwstr, 2, data, count)) {
        text = utf16ToUtf8(data, count);
        return true;
    }
    if (!getCounted(id, kLpstr, 1, data, count)) return false;
    if (codePage_ == kUtf16CodePage) {
        text = utf16ToUtf8(data, count / 2);
        return true;
    }
    text.assign(reinterpret_cast<const char*>(data), count);
    text.resize(std::min(text.size(), text.find('\0')));
    return true;
}

bool FpxPropertySet::getFileTime(uint32_t id, uint64_t& value) const {
    const Value* v = find(id);
    if (!v || v->type != kFileTime || v->available < 8) return false;
    value = fpxU64(v->data);
    return true;
}
