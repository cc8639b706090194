#include "VulMetaData.h"

#include "VulMetaDataRegistry.h"

VulMetaData VulMetaData::read(const std::string& key, const Slot& slot) {
    const VulMetaDataRegistry& registry = VulMetaDataRegistry::instance();
    const std::string target = registry.resolve(key);
    VulMetaValue value;
    if (!slot(target, value)) value = std::monostate{};
    return VulMetaData(key, std::move(value), registry.findUsage(target).value_or(0));
}
