#include "NifExifFpxr.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr uint8_t kSignature[5] = {'F', 'P', 'X', 'R', 0};
constexpr uint32_t kStorageSize = 0xFFFFFFFF;
constexpr size_t kClassIdSize = 16;
constexpr size_t kScreenNailHeader = 28;

uint16_t big16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] << 8 | p[1]);
}

uint32_t big32(const uint8_t* p) {
    return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

}  // namespace

void NifExifFpxr::addSegment(const std::vector<uint8_t>& payload) {
    if (payload.size() < 9 || std::memcmp(payload.data(), kSignature, sizeof kSignature) != 0)
        return;
    if (payload[6] == 1) readContents(payload);
    if (payload[6] == 2) readStreamData(payload);
}

void NifExifFpxr::readContents(const std::vector<uint8_t>& payload) {
    const size_t count = big16(&payload[7]);
    std::vector<Stream> streams;
    size_t p = 9;
    for (size_t i = 0; i < count; ++i) {
        if (p + 5 > payload.size()) return;
        Stream stream;
        stream.size = big32(&payload[p]);
        stream.storage = stream.size == kStorageSize;
        p += 5;
        // The path is UTF-16LE up to a zero unit; names here are ASCII.
        for (;;) {
            if (p + 2 > payload.size()) return;
            const uint16_t unit = static_cast<uint16_t>(payload[p] | payload[p + 1] << 8);
            p += 2;
            if (unit == 0) break;
            stream.name += unit < 0x80 ? static_cast<char>(unit) : '?';
        }
        if (stream.storage) p += kClassIdSize;
        streams.push_back(std::move(stream));
    }
    streams_ = std::move(streams);
}

void NifExifFpxr::readStreamData(const std::vector<uint8_t>& payload) {
    if (payload.size() < 13) return;
    const size_t index = big16(&payload[7]);
    if (index >= streams_.size() || streams_[index].storage) return;
    Stream& stream = streams_[index];
    // Writers repeat or restart offsets; the segments' order is what counts.
    const size_t room = stream.size > stream.data.size() ? stream.size - stream.data.size() : 0;
    const size_t take = std::min(room, payload.size() - 13);
    stream.data.insert(stream.data.end(), payload.begin() + 13, payload.begin() + 13 + take);
}

std::vector<uint8_t> NifExifFpxr::screenNail() const {
    for (const Stream& stream : streams_)
        if (stream.name.find("Screen Nail") != std::string::npos &&
            stream.data.size() > kScreenNailHeader)
            return {stream.data.begin() + kScreenNailHeader, stream.data.end()};
    return {};
}
