#include "VulMetaDataRegistry.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "QorError.h"
#include "QorSystem.h"

namespace {

struct UsageName {
    const char* name;
    unsigned bit;
};

constexpr UsageName kUsageNames[] = {
    {"read", VUL_USAGE_READ},         {"write", VUL_USAGE_WRITE}, {"persist", VUL_USAGE_PERSIST},
    {"geometry", VUL_USAGE_GEOMETRY}, {"color", VUL_USAGE_COLOR}, {"derived", VUL_USAGE_DERIVED},
};

enum class Duplicates { Overwrite, Retain, Append, Error };

QorError lineError(const std::string& origin, const std::string& what) {
    return QorError(13, origin + ": " + what, "VulMetaDataRegistry");
}

// "read|persist", "-" or a number.
unsigned parseUsage(const std::string& text, const std::string& origin) {
    if (text == "-") return 0;
    if (text[0] >= '0' && text[0] <= '9') {
        char* end = nullptr;
        errno = 0;
        const unsigned long value = std::strtoul(text.c_str(), &end, 0);
        if (*end || errno || value > 0xFFFFFFFFul)
            throw lineError(origin, "bad usage \"" + text + "\"");
        return static_cast<unsigned>(value);
    }
    unsigned usage = 0;
    std::istringstream names(text);
    std::string name;
    while (std::getline(names, name, '|')) {
        bool known = false;
        for (const auto& u : kUsageNames)
            if (name == u.name) usage |= u.bit, known = true;
        if (!known) throw lineError(origin, "unknown usage \"" + name + "\"");
    }
    return usage;
}

Duplicates parseDuplicates(const std::string& text, const std::string& origin) {
    if (text == "overwrite") return Duplicates::Overwrite;
    if (text == "retain") return Duplicates::Retain;
    if (text == "append") return Duplicates::Append;
    if (text == "error") return Duplicates::Error;
    throw lineError(origin, "unknown duplicates rule \"" + text + "\"");
}

Duplicates duplicatesOfMode(int mode) {
    switch (mode) {
        case VUL_MMA_SILENTLY_RETAIN:
            return Duplicates::Retain;
        case VUL_MMA_SILENTLY_APPEND:
            return Duplicates::Append;
        case VUL_MMA_THROW_ERROR:
            return Duplicates::Error;
        default:
            return Duplicates::Overwrite;
    }
}

std::string trim(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// The lines of the file that carry something, with their "<file>:<line>" origins.
std::vector<std::pair<std::string, std::string>> meaningfulLines(const std::string& path) {
    std::ifstream in(qorFsPath(path));
    if (!in)
        throw QorError(130,
                       "Cannot open the metadata registry file \"" + path +
                           "\": " + QorError::lastOsErrorText(),
                       "VulMetaDataRegistry");
    std::vector<std::pair<std::string, std::string>> lines;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        const std::string text = trim(line);
        if (!text.empty() && text[0] != '#')
            lines.emplace_back(text, path + ":" + std::to_string(number));
    }
    if (in.bad())
        throw QorError(130, "Cannot read the metadata registry file \"" + path + "\"",
                       "VulMetaDataRegistry");
    return lines;
}

void addEntry(std::map<std::string, std::vector<VulMetaDataRegistry::Entry>>& entries,
              const std::string& key, VulMetaDataRegistry::Entry entry, Duplicates rule) {
    auto& list = entries[key];
    if (list.empty()) {
        list.push_back(std::move(entry));
        return;
    }
    switch (rule) {
        case Duplicates::Overwrite:
            list.assign(1, std::move(entry));
            break;
        case Duplicates::Retain:
            break;
        case Duplicates::Append:
            list.push_back(std::move(entry));
            break;
        case Duplicates::Error:
            throw lineError(entry.origin, "the metadata key \"" + key +
                                              "\" is already registered (" + list.front().origin +
                                              ")");
    }
}

}  // namespace

VulMetaDataRegistry& VulMetaDataRegistry::instance() {
    static VulMetaDataRegistry registry;
    return registry;
}

void VulMetaDataRegistry::load(const std::string& path, int mode) {
    if (mode < VUL_MMA_DEFAULT || mode > VUL_MMA_ALIAS_FILE)
        throw QorError(414, "Unknown duplicate-entry mode " + std::to_string(mode),
                       "VulMetaDataRegistry");
    const auto lines = meaningfulLines(path);
    std::lock_guard lock(mutex_);
    if (mode == VUL_MMA_ALIAS_FILE) {
        auto aliases = aliases_;
        for (const auto& [text, origin] : lines) {
            const size_t equals = text.find('=');
            const std::string alias = trim(text.substr(0, equals));
            const std::string key =
                equals == std::string::npos ? "" : trim(text.substr(equals + 1));
            if (alias.empty() || key.empty() || alias == key)
                throw lineError(origin, "expected \"alias = key\"");
            aliases[alias] = key;
        }
        aliases_ = std::move(aliases);
        return;
    }
    auto entries = entries_;
    Duplicates rule = duplicatesOfMode(mode);
    for (size_t i = 0; i < lines.size(); ++i) {
        const auto& [text, origin] = lines[i];
        std::istringstream fields(text);
        std::string key, usage;
        fields >> key >> usage;
        if (key == "duplicates") {
            if (i != 0) throw lineError(origin, "\"duplicates\" must come first");
            if (mode == VUL_MMA_REGISTRY_FILE) rule = parseDuplicates(usage, origin);
            continue;
        }
        if (usage.empty()) throw lineError(origin, "expected \"key usage [description]\"");
        std::string description;
        std::getline(fields, description);
        addEntry(entries, key, Entry{parseUsage(usage, origin), trim(description), origin}, rule);
    }
    entries_ = std::move(entries);
}

void VulMetaDataRegistry::clear() {
    std::lock_guard lock(mutex_);
    entries_.clear();
    aliases_.clear();
}

std::string VulMetaDataRegistry::resolve(const std::string& key) const {
    std::lock_guard lock(mutex_);
    const auto found = aliases_.find(key);
    return found == aliases_.end() ? key : found->second;
}

std::optional<unsigned> VulMetaDataRegistry::findUsage(const std::string& key) const {
    const std::string target = resolve(key);
    std::lock_guard lock(mutex_);
    const auto found = entries_.find(target);
    if (found == entries_.end()) return std::nullopt;
    unsigned usage = 0;
    for (const Entry& e : found->second) usage |= e.usage;
    return usage;
}

unsigned VulMetaDataRegistry::usage(const std::string& key) const {
    const auto usage = findUsage(key);
    if (!usage)
        throw QorError(13, "The metadata key \"" + key + "\" is not registered",
                       "VulMetaDataRegistry");
    return *usage;
}

std::vector<VulMetaDataRegistry::Entry> VulMetaDataRegistry::entries(const std::string& key) const {
    const std::string target = resolve(key);
    std::lock_guard lock(mutex_);
    const auto found = entries_.find(target);
    return found == entries_.end() ? std::vector<Entry>{} : found->second;
}

std::string VulMetaDataRegistry::usageText(unsigned usage) {
    std::string text;
    unsigned named = 0;
    for (const auto& u : kUsageNames) {
        named |= u.bit;
        if (usage & u.bit) text += (text.empty() ? "" : "|") + std::string(u.name);
    }
    // Bits without a name are written as the number, as registry files may give them.
    if (usage & ~named) {
        char number[16];
        std::snprintf(number, sizeof number, "0x%x", usage);
        return number;
    }
    return text.empty() ? "-" : text;
}
