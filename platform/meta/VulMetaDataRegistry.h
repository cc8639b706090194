#pragma once

#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "VulMetaDataEnums.h"

// The process's table of metadata keys: which keys exist, how they are used, and the aliases
// that stand for them. Loaded from registry files (text format in the README); shared by every
// control, as the keys are the same for all images.
class VulMetaDataRegistry {
  public:
    struct Entry {
        unsigned usage = 0;
        std::string description;
        std::string origin;  // "<file>:<line>"
    };

    static VulMetaDataRegistry& instance();

    // Reads a registry file (or, in VUL_MMA_ALIAS_FILE mode, an alias file). The whole file is
    // checked before anything changes: a failure (QorError 130 for an unreadable file, 13 for a
    // malformed line or a refused duplicate, 414 for an unknown mode) leaves the registry as it
    // was.
    void load(const std::string& path, int mode);
    void clear();

    // The key an alias stands for, or `key` itself.
    std::string resolve(const std::string& key) const;
    // The union of the usage bits of the key's entries (aliases resolved); QorError 13 when the
    // key is not registered.
    unsigned usage(const std::string& key) const;
    std::optional<unsigned> findUsage(const std::string& key) const;
    std::vector<Entry> entries(const std::string& key) const;

    // Usage bits as registry files name them: "read|persist", "-" for none.
    static std::string usageText(unsigned usage);

  private:
    mutable std::mutex mutex_;
    std::map<std::string, std::vector<Entry>> entries_;
    std::map<std::string, std::string> aliases_;
};
