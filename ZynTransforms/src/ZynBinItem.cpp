#include "ZynBinItem.h"

#include <cstring>

namespace {

int sizeClassOf(ZynBinItem::ValueType type) {
    switch (type) {
        case ZynBinItem::ValueType::U8:
        case ZynBinItem::ValueType::I8:
            return 0;
        case ZynBinItem::ValueType::U16:
        case ZynBinItem::ValueType::I16:
            return 1;
        case ZynBinItem::ValueType::U32:
        case ZynBinItem::ValueType::I32:
            return 2;
        case ZynBinItem::ValueType::F32:
            return 3;
        case ZynBinItem::ValueType::F64:
            return 4;
    }
    return 0;
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
      readConverter_(zynValueConverter(file, host, sizeClassOf(type))),
      writeConverter_(zynValueConverter(host, file, sizeClassOf(type))) {}

size_t ZynBinItem::size() const {
    static const size_t kSizes[] = {1, 2, 4, 4, 8};
    return kSizes[sizeClassOf(type_)];
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

bool ZynBinItem::write(FILE* file, long base) const {
    unsigned char bytes[8];
    std::memcpy(bytes, target_, size());
    if (writeConverter_) writeConverter_(bytes);
    return std::fseek(file, base + offset_, SEEK_SET) == 0 &&
           std::fwrite(bytes, 1, size(), file) == size();
}

void ZynBinItem::print() const {
    switch (type_) {
        case ValueType::U8:
            std::printf("%d\n", *static_cast<const uint8_t*>(target_));
            break;
        case ValueType::U16:
            std::printf("%d\n", *static_cast<const uint16_t*>(target_));
            break;
        case ValueType::U32:
            std::printf("%u\n", *static_cast<const uint32_t*>(target_));
            break;
        case ValueType::I8:
            std::printf("%d\n", *static_cast<const int8_t*>(target_));
            break;
        case ValueType::I16:
            std::printf("%d\n", *static_cast<const int16_t*>(target_));
            break;
        case ValueType::I32:
            std::printf("%d\n", *static_cast<const int32_t*>(target_));
            break;
        case ValueType::F32:
            std::printf("%f\n", *static_cast<const float*>(target_));
            break;
        case ValueType::F64:
            std::printf("%f\n", *static_cast<const double*>(target_));
            break;
    }
}
