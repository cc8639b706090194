#include "ZynBinItem.h"

#include <cstring>

namespace {

int sizeClassOf(ZynBinItem::ValueType type) {
    return type == ZynBinItem::ValueType::U16 ? 1 : 2;
}

}  // namespace

ZynBinItem::ZynBinItem(uint16_t* target, long offset, const ZynHardwareDesc& file,
                       const ZynHardwareDesc& host)
    : ZynBinItem(target, ValueType::U16, offset, file, host) {}

ZynBinItem::ZynBinItem(uint32_t* target, long offset, const ZynHardwareDesc& file,
                       const ZynHardwareDesc& host)
    : ZynBinItem(target, ValueType::U32, offset, file, host) {}

ZynBinItem::ZynBinItem(void* target, ValueType type, long offset, const ZynHardwareDesc& file,
                       const ZynHardwareDesc& host)
    : target_(target),
      type_(type),
      offset_(offset),
      readConverter_(zynValueConverter(file, host, sizeClassOf(type))) {}

size_t ZynBinItem::size() const {
    return type_ == ValueType::U16 ? 2 : 4;
}

bool ZynBinItem::read(FILE* file, long base) {
    unsigned char bytes[8];
    if (std::fseek(file, base + offset_, SEEK_SET) != 0 ||
        std::fread(bytes, 1, size(), file) != size())
        return false;
    if (readConverter_) readConverter_(bytes);
    std::memcpy(target_, bytes, size());
    return true;
}
