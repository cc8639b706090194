#include <gtest/gtest.h>
#include <sys/mman.h>

#include <cstdlib>

#include "ComModule.h"
#include "ControlTestSupport.h"
#include "TestSupport.h"
#include "TevServer.h"

void* readOnlyPage() {
    static void* page = [] {
        void* p = mmap(nullptr, 4096, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        return p == MAP_FAILED ? nullptr : p;
    }();
    return page;
}

char* pageBeforeAGap() {
    void* pages = mmap(nullptr, 8192, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (pages == MAP_FAILED) return nullptr;
    munmap(static_cast<char*>(pages) + 4096, 4096);
    return static_cast<char*>(pages);
}

void releasePage(char* page) {
    munmap(page, 4096);
}

ComString componentLibraryPath() {
    return comModulePath(reinterpret_cast<const void*>(&DllRegisterServer));
}

std::string useFreshRegistry() {
    const std::string path = testDir() + "/registry.reg";
    setenv("ZYN_COM_REGISTRY", path.c_str(), 1);
    return path;
}
