#include "J2kBoxes.h"

#include <cstring>
#include <optional>

namespace {

constexpr uint8_t kSignature[kJ2kSignatureSize] = {0x00, 0x00, 0x00, 0x0C, 'j',  'P',
                                                   ' ',  ' ',  0x0D, 0x0A, 0x87, 0x0A};

constexpr uint32_t boxType(const char (&name)[5]) {
    return (uint32_t{static_cast<uint8_t>(name[0])} << 24) |
           (uint32_t{static_cast<uint8_t>(name[1])} << 16) |
           (uint32_t{static_cast<uint8_t>(name[2])} << 8) | uint32_t{static_cast<uint8_t>(name[3])};
}

constexpr uint32_t kHeaderBox = boxType("jp2h");
constexpr uint32_t kColorBox = boxType("colr");
constexpr uint32_t kCodestreamBox = boxType("jp2c");

// ICC profiles keep their colour space signature at bytes 16 to 19 of the profile header.
constexpr size_t kIccSpaceOffset = 16;
// Real profiles are far smaller; a larger box is damage, not a profile to allocate.
constexpr uint64_t kMaxIccProfile = uint64_t{64} << 20;

uint64_t bigEndian(const uint8_t* bytes, int count) {
    uint64_t value = 0;
    for (int i = 0; i < count; ++i) value = (value << 8) | bytes[i];
    return value;
}

struct Box {
    uint32_t type;
    uint64_t payload;  // file offset of the contents
    uint64_t end;      // file offset after the box
};

// The box starting at `offset`, which must end by `limit`; nothing when it is malformed.
std::optional<Box> readBox(QorStreamView& view, uint64_t offset, uint64_t limit) {
    uint8_t head[16];
    if (limit - offset < 8 || view.seek(static_cast<int64_t>(offset)) != 0 ||
        view.read(head, 8) != 8)
        return std::nullopt;
    uint64_t length = bigEndian(head, 4);
    uint64_t headerSize = 8;
    if (length == 1) {
        if (limit - offset < 16 || view.read(head + 8, 8) != 8) return std::nullopt;
        length = bigEndian(head + 8, 8);
        headerSize = 16;
    } else if (length == 0) {
        length = limit - offset;
    }
    if (length < headerSize || length > limit - offset) return std::nullopt;
    return Box{static_cast<uint32_t>(bigEndian(head + 4, 4)), offset + headerSize, offset + length};
}

// The first box of `type` among the boxes in [begin, end), stopping at the codestream.
std::optional<Box> findBox(QorStreamView& view, uint64_t begin, uint64_t end, uint32_t type) {
    for (uint64_t offset = begin; offset < end;) {
        const std::optional<Box> box = readBox(view, offset, end);
        if (!box || box->type == kCodestreamBox) return std::nullopt;
        if (box->type == type) return box;
        offset = box->end;
    }
    return std::nullopt;
}

uint32_t iccKind(const std::vector<uint8_t>& profile) {
    if (profile.size() < kIccSpaceOffset + 4) return kJ2kIccOther;
    const uint8_t* space = profile.data() + kIccSpaceOffset;
    if (std::memcmp(space, "GRAY", 4) == 0) return kJ2kIccLuminance;
    if (std::memcmp(space, "RGB ", 4) == 0) return kJ2kIccRgb;
    return kJ2kIccOther;
}

J2kColourBox parseColorBox(QorStreamView& view, const Box& box) {
    J2kColourBox colour;
    // METH, PREC and APPROX come first; method 1 is followed by the enumerated space, methods
    // 2 and 3 by an ICC profile.
    uint8_t fields[7];
    const uint64_t size = box.end - box.payload;
    if (size < 3 || view.seek(static_cast<int64_t>(box.payload)) != 0 || view.read(fields, 3) != 3)
        return colour;
    if (fields[0] == 1) {
        if (size >= 7 && view.read(fields + 3, 4) == 4)
            colour.enumerated = static_cast<uint32_t>(bigEndian(fields + 3, 4));
    } else if ((fields[0] == 2 || fields[0] == 3) && size - 3 <= kMaxIccProfile) {
        colour.iccProfile.resize(static_cast<size_t>(size - 3));
        if (view.read(colour.iccProfile.data(), static_cast<int64_t>(colour.iccProfile.size())) !=
            static_cast<int64_t>(colour.iccProfile.size()))
            return {};
        colour.enumerated = iccKind(colour.iccProfile);
    }
    return colour;
}

}  // namespace

bool j2kHasSignature(const uint8_t* bytes, size_t size) {
    return size >= kJ2kSignatureSize && std::memcmp(bytes, kSignature, kJ2kSignatureSize) == 0;
}

J2kColourBox j2kReadColourBox(QorStreamView& view, uint64_t fileSize) {
    const std::optional<Box> header = findBox(view, 0, fileSize, kHeaderBox);
    if (!header) return {};
    const std::optional<Box> color = findBox(view, header->payload, header->end, kColorBox);
    return color ? parseColorBox(view, *color) : J2kColourBox{};
}
