#include "ComMemoryProbe.h"

#include <cstdint>

#include "ComPlatform.h"

namespace {

bool permits(DWORD protection, bool writable) {
    if (protection & (PAGE_GUARD | PAGE_NOACCESS)) return false;
    constexpr DWORD kWritable =
        PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
    constexpr DWORD kReadable = kWritable | PAGE_READONLY | PAGE_EXECUTE_READ;
    return (protection & (writable ? kWritable : kReadable)) != 0;
}

}  // namespace

// Walks the regions the range spans; each must be committed and allow the access.
bool comIsAccessible(const void* address, size_t bytes, bool writable) {
    auto next = reinterpret_cast<uintptr_t>(address);
    const uintptr_t end = next + bytes;
    while (next < end) {
        MEMORY_BASIC_INFORMATION region{};
        if (VirtualQuery(reinterpret_cast<const void*>(next), &region, sizeof region) == 0)
            return false;
        if (region.State != MEM_COMMIT || !permits(region.Protect, writable)) return false;
        next = reinterpret_cast<uintptr_t>(region.BaseAddress) + region.RegionSize;
    }
    return true;
}
