#include "ComMemoryProbe.h"

#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

enum class Probe { Valid, Invalid, Unavailable };

// Has the kernel copy the bytes out and, to test writing, the same bytes back in: memory that
// cannot be accessed fails the copy with EFAULT instead of faulting. Writing back is harmless
// for out-parameters, which only their caller touches.
Probe probeByCopy(uintptr_t start, size_t bytes, bool writable) {
    char copy[256];
    for (size_t done = 0; done < bytes;) {
        const size_t n = std::min(sizeof copy, bytes - done);
        iovec local{copy, n};
        iovec remote{reinterpret_cast<void*>(start + done), n};
        for (const bool back : {false, true}) {
            if (back && !writable) break;
            const ssize_t copied = back ? process_vm_writev(getpid(), &local, 1, &remote, 1, 0)
                                        : process_vm_readv(getpid(), &local, 1, &remote, 1, 0);
            if (copied < 0 && errno != EFAULT) return Probe::Unavailable;
            if (copied != static_cast<ssize_t>(n)) return Probe::Invalid;
        }
        done += n;
    }
    return Probe::Valid;
}

// The slower answer for systems that refuse the copy calls: the process's memory map.
bool coveredByMappings(uintptr_t next, uintptr_t end, bool writable) {
    std::unique_ptr<FILE, int (*)(FILE*)> maps(std::fopen("/proc/self/maps", "r"), std::fclose);
    if (!maps) return false;
    // Mappings are listed in address order; the range must be covered without a gap.
    struct Line {
        char* text = nullptr;
        size_t capacity = 0;
        ~Line() { std::free(text); }
    } line;
    while (next < end && getline(&line.text, &line.capacity, maps.get()) > 0) {
        uintptr_t low = 0, high = 0;
        char permissions[5] = {};
        if (std::sscanf(line.text, "%" SCNxPTR "-%" SCNxPTR " %4s", &low, &high, permissions) != 3)
            continue;
        if (high <= next) continue;
        if (low > next) return false;
        if (permissions[0] != 'r' || (writable && permissions[1] != 'w')) return false;
        next = high;
    }
    return next >= end;
}

}  // namespace

bool comIsAccessible(const void* address, size_t bytes, bool writable) {
    const auto start = reinterpret_cast<uintptr_t>(address);
    const Probe probe = probeByCopy(start, bytes, writable);
    if (probe != Probe::Unavailable) return probe == Probe::Valid;
    return coveredByMappings(start, start + bytes, writable);
}
