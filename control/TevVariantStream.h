#pragma once

#include <cstdint>

#include "ComPlatform.h"

// The stream form of a persisted control's values (little-endian):
// - a string is a u32 byte count (UTF-16 bytes with the 2-byte terminator; 0 for a null
//   string) and those bytes;
// - a variant is its u16 type and its value: 1, 2, 4 or 8 bytes for the scalar types, the
//   object's class id and saved state for interfaces (16 zero bytes for a null one), a string
//   for VT_BSTR, and for any other type its text as a string (a null string for VT_EMPTY and
//   VT_NULL).
// Reads fail with STG_E_READFAULT when the stream ends early or holds a malformed value; writes
// fail with the stream's result, or STG_E_WRITEFAULT when it takes fewer bytes than given.
class TevVariantStream {
  public:
    explicit TevVariantStream(IStream* stream) : stream_(stream) {}

    HRESULT write(const void* bytes, ULONG count);
    HRESULT writeU32(uint32_t value) { return write(&value, sizeof value); }
    HRESULT writeString(BSTR text);
    // Types that cannot be read back (arrays, references, records) fail with
    // DISP_E_BADVARTYPE before anything is written.
    HRESULT writeVariant(const VARIANT& value);

    HRESULT read(void* bytes, ULONG count);
    HRESULT readU32(uint32_t& value) { return read(&value, sizeof value); }
    HRESULT readString(BSTR* text);
    // `value` is cleared first. Objects are created by class id and loaded from the stream.
    HRESULT readVariant(VARIANT* value);

    // Bytes the write functions would write.
    static HRESULT sizeOfString(BSTR text, uint64_t& size);
    static HRESULT sizeOfVariant(const VARIANT& value, uint64_t& size);

  private:
    IStream* stream_;
};
