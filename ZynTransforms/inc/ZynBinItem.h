#pragma once

#include <cstdint>

#include "ZynHardwareDesc.h"
#include "ZynHeaderItem.h"
#include "ZynSampleConverter.h"

// A binary header field read into a variable of the host, converted from the file's byte order.
class ZynBinItem : public ZynHeaderItem {
  public:
    enum class ValueType { U8, U16, U32, I8, I16, I32, F32, F64 };

    ZynBinItem(uint16_t* target, long offset, const ZynHardwareDesc& file,
               const ZynHardwareDesc& host);
    ZynBinItem(uint32_t* target, long offset, const ZynHardwareDesc& file,
               const ZynHardwareDesc& host);

    bool read(FILE* file, long base) override;
    bool write(FILE* file, long base) const override;
    void print() const override;

    ValueType valueType() const { return type_; }
    long offset() const { return offset_; }

  private:
    ZynBinItem(void* target, ValueType type, long offset, const ZynHardwareDesc& file,
               const ZynHardwareDesc& host);
    size_t size() const;

    void* target_;
    ValueType type_;
    long offset_;
    ZynValueConverter readConverter_;
    ZynValueConverter writeConverter_;
};
