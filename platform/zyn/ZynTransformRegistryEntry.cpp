#include "ZynTransformRegistryEntry.h"

#include <algorithm>
#include <mutex>

namespace {

struct Registry {
    std::mutex mutex;
    std::vector<const ZynTransformRegistryEntry*> entries;
};

Registry& registry() {
    static Registry r;
    return r;
}

}  // namespace

ZynTransformRegistryEntry::ZynTransformRegistryEntry(std::string className,
                                                     std::string registryName)
    : className_(std::move(className)), registryName_(std::move(registryName)) {
    std::lock_guard lock(registry().mutex);
    registry().entries.push_back(this);
}

ZynTransformRegistryEntry::~ZynTransformRegistryEntry() {
    std::lock_guard lock(registry().mutex);
    auto& all = registry().entries;
    all.erase(std::remove(all.begin(), all.end(), this), all.end());
}

const ZynTransformRegistryEntry* ZynTransformRegistry::find(const std::string& registryName) {
    std::lock_guard lock(registry().mutex);
    for (const auto* e : registry().entries)
        if (e->registryName() == registryName) return e;
    return nullptr;
}

ZynTransformPtr ZynTransformRegistry::create(const std::string& registryName) {
    const ZynTransformRegistryEntry* entry = find(registryName);
    if (!entry) throw ZynError(153, "No transform is registered as \"" + registryName + "\"");
    return entry->create();
}

std::vector<const ZynTransformRegistryEntry*> ZynTransformRegistry::entries() {
    std::lock_guard lock(registry().mutex);
    return registry().entries;
}
