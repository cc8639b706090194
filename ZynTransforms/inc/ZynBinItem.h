#pragma once

#include <cstdint>

#include "ZynHardwareDesc.h"
#include "ZynHeaderItem.h"
#include "ZynSampleConverter.h"

// A binary header field read into a variable of the host, converted from the file's byte order.
class ZynBinItem : public ZynHeaderItem {
  public:
    enum class ValueType { U16, U32 };

    ZynBinItem(uint16_t* target, long offset, const ZynHardwareDesc& file,
               const ZynHardwareDesc& host);
    ZynBinItem(uint32_t* target, long offset, const ZynHardwareDesc& file,
               const ZynHardwareDesc& host);

    bool read(FILE* file, long base) override;

  private:
    ZynBinItem(void* target, ValueType type, long offset, const ZynHardwareDesc& file,
               const ZynHardwareDesc& host);
    size_t size() const;

    void* target_;
    ValueType type_;
    long offset_;
    ZynValueConverter readConverter_;
};
