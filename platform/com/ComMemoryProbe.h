#pragma once

#include <cstddef>

// Whether `bytes` bytes from `address` can be read (and written) without faulting, asked of the
// system rather than found out by touching them. The range must not wrap around.
bool comIsAccessible(const void* address, size_t bytes, bool writable);
