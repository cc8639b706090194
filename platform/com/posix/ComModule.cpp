#include "ComModule.h"

#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>

ComString comModulePath(const void* address) {
    Dl_info info{};
    if (!dladdr(address, &info) || !info.dli_fname) return {};
    char resolved[PATH_MAX];
    const char* path = realpath(info.dli_fname, resolved) ? resolved : info.dli_fname;
    return comFromUtf8(path);
}

const OLECHAR* comTypeLibraryPlatform() {
    return OLESTR("linux64");
}
