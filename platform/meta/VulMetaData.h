#pragma once

#include <functional>
#include <string>

#include "VulMetaValue.h"

// One metadata item of an image: the key asked for, its value (empty when the image has none)
// and the usage bits its registry entries give it (0 when the key is not registered).
class VulMetaData {
  public:
    // Asks `slot` (a transform's metadata slot) for `key`, under the key an alias stands for.
    using Slot = std::function<bool(const std::string& key, VulMetaValue& value)>;
    static VulMetaData read(const std::string& key, const Slot& slot);

    const std::string& key() const { return key_; }
    const VulMetaValue& value() const { return value_; }
    bool present() const { return !std::holds_alternative<std::monostate>(value_); }
    unsigned usage() const { return usage_; }

  private:
    VulMetaData(std::string key, VulMetaValue value, unsigned usage)
        : key_(std::move(key)), value_(std::move(value)), usage_(usage) {}

    std::string key_;
    VulMetaValue value_;
    unsigned usage_;
};
