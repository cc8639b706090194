#include <gtest/gtest.h>
#include <sys/mman.h>

#include <cstdlib>

#include "ControlTestSupport.h"
#include "TestSupport.h"

void* readOnlyPage() {
    static void* page = [] {
        void* p = mmap(nullptr, 4096, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        return p == MAP_FAILED ? nullptr : p;
    }();
    return page;
}

std::string useFreshRegistry() {
    const std::string path = testDir() + "/registry.reg";
    setenv("ZYN_COM_REGISTRY", path.c_str(), 1);
    return path;
}
