#include "ComRegistry.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <set>
#include <sstream>
#include <vector>

#include "ComString.h"

namespace fs = std::filesystem;

namespace {

const char* const kHeader = "ZYN COM REGISTRY 1";
const char* const kMachineClasses = "HKEY_LOCAL_MACHINE\\Software\\Classes";
const char* const kUserClasses = "HKEY_CURRENT_USER\\Software\\Classes";

struct Value {
    std::string name;
    DWORD type = REG_SZ;
    std::string text;  // REG_SZ
    DWORD number = 0;  // REG_DWORD
};

struct Key {
    std::string path;                     // as first written
    std::map<std::string, Value> values;  // by lower-case name
};

std::string lower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// Keys by lower-case path: names compare without regard to case, as the platform compares them.
using Keys = std::map<std::string, Key>;

std::string escape(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\\' || c == '"') out += '\\';
        if (c == '\n') {
            out += "\\n";
            continue;
        }
        out += c;
    }
    return out;
}

// Reads a quoted string at `at`; false when it is not closed.
bool unquote(const std::string& line, size_t& at, std::string& out) {
    if (at >= line.size() || line[at] != '"') return false;
    out.clear();
    for (++at; at < line.size(); ++at) {
        char c = line[at];
        if (c == '"') {
            ++at;
            return true;
        }
        if (c == '\\' && at + 1 < line.size()) {
            c = line[++at];
            if (c == 'n') c = '\n';
        }
        out += c;
    }
    return false;
}

bool parseValue(const std::string& line, Value& value) {
    size_t at = 0;
    if (line[0] == '@') {
        value.name.clear();
        at = 1;
    } else if (!unquote(line, at, value.name)) {
        return false;
    }
    if (at >= line.size() || line[at] != '=') return false;
    ++at;
    if (line.compare(at, 6, "dword:") == 0) {
        char* end = nullptr;
        const std::string digits = line.substr(at + 6);
        value.type = REG_DWORD;
        value.number = static_cast<DWORD>(std::strtoul(digits.c_str(), &end, 16));
        return digits.size() == 8 && *end == 0;
    }
    value.type = REG_SZ;
    return unquote(line, at, value.text) && at == line.size();
}

// Parses the store; false when it is not one.
bool parseStore(std::istream& in, Keys& keys) {
    std::string line;
    if (!std::getline(in, line)) return true;
    if (line != kHeader) return false;
    Key* current = nullptr;
    while (std::getline(in, line)) {
        if (line.empty()) continue;
        if (line.front() == '[') {
            if (line.back() != ']' || line.size() < 3) return false;
            const std::string path = line.substr(1, line.size() - 2);
            current = &keys[lower(path)];
            current->path = path;
            continue;
        }
        Value value;
        if (!current || !parseValue(line, value)) return false;
        current->values[lower(value.name)] = value;
    }
    return true;
}

void writeStore(std::ostream& out, const Keys& keys) {
    out << kHeader << "\n";
    for (const auto& [id, key] : keys) {
        out << "\n[" << key.path << "]\n";
        for (const auto& [name, value] : key.values) {
            out << (value.name.empty() ? "@" : "\"" + escape(value.name) + "\"") << "=";
            if (value.type == REG_DWORD) {
                char hex[9];
                std::snprintf(hex, sizeof hex, "%08x", value.number);
                out << "dword:" << hex << "\n";
            } else {
                out << "\"" << escape(value.text) << "\"\n";
            }
        }
    }
}

// The store under an advisory lock of its lock file, loaded; saved again by commit().
class StoreSession {
  public:
    explicit StoreSession(bool writing) : path_(comRegistryStorePath()) {
        std::error_code ignored;
        if (writing) fs::create_directories(fs::path(path_).parent_path(), ignored);
        lockFd_ = open((path_ + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (lockFd_ >= 0) flock(lockFd_, writing ? LOCK_EX : LOCK_SH);
        std::ifstream in(path_);
        ok_ = lockFd_ >= 0 || !writing;
        if (in) ok_ = ok_ && parseStore(in, keys_);
    }
    ~StoreSession() {
        if (lockFd_ >= 0) close(lockFd_);
    }
    StoreSession(const StoreSession&) = delete;
    StoreSession& operator=(const StoreSession&) = delete;

    bool ok() const { return ok_; }
    Keys& keys() { return keys_; }

    LONG commit() {
        const std::string temporary = path_ + ".new";
        {
            std::ofstream out(temporary, std::ios::trunc);
            writeStore(out, keys_);
            out.flush();
            if (!out) return ERROR_CANTWRITE;
        }
        return std::rename(temporary.c_str(), path_.c_str()) == 0 ? ERROR_SUCCESS : ERROR_CANTWRITE;
    }

  private:
    std::string path_;
    int lockFd_ = -1;
    bool ok_ = false;
    Keys keys_;
};

// Open keys are absolute paths; handles are checked against the live set.
struct OpenKey {
    std::string path;
};

std::mutex handleMutex;
std::set<const OpenKey*> liveHandles;
std::map<HKEY, std::string> overrides;

bool isPredefined(HKEY key) {
    return key == HKEY_CLASSES_ROOT || key == HKEY_CURRENT_USER || key == HKEY_LOCAL_MACHINE;
}

std::string join(const std::string& base, const std::string& sub) {
    if (sub.empty()) return base;
    if (base.empty()) return sub;
    return base + "\\" + sub;
}

std::string subkeyText(LPCWSTR subKey) {
    std::string sub = subKey ? comToUtf8(subKey) : std::string();
    while (!sub.empty() && sub.back() == '\\') sub.pop_back();
    return sub;
}

// The absolute path `subKey` names below `key`, or false for an unknown handle. Paths below the
// classes root resolve to the user's classes when the key is there.
bool resolve(HKEY key, LPCWSTR subKey, const Keys& keys, std::string& path) {
    const std::string sub = subkeyText(subKey);
    std::lock_guard lock(handleMutex);
    if (const auto found = overrides.find(key); found != overrides.end()) {
        path = join(found->second, sub);
        return true;
    }
    if (key == HKEY_CURRENT_USER) {
        path = join("HKEY_CURRENT_USER", sub);
    } else if (key == HKEY_LOCAL_MACHINE) {
        path = join("HKEY_LOCAL_MACHINE", sub);
    } else if (key == HKEY_CLASSES_ROOT) {
        const std::string user = join(kUserClasses, sub);
        path = keys.count(lower(user)) ? user : join(kMachineClasses, sub);
    } else {
        const auto* open = reinterpret_cast<const OpenKey*>(key);
        if (!liveHandles.count(open)) return false;
        path = join(open->path, sub);
    }
    return true;
}

HKEY newHandle(const std::string& path) {
    auto* open = new OpenKey{path};
    std::lock_guard lock(handleMutex);
    liveHandles.insert(open);
    return reinterpret_cast<HKEY>(open);
}

// Creates the key and every missing key above it below its hive.
bool createKey(Keys& keys, const std::string& path) {
    bool created = false;
    size_t at = path.find('\\');
    while (true) {
        const std::string prefix = at == std::string::npos ? path : path.substr(0, at);
        auto& key = keys[lower(prefix)];
        if (key.path.empty()) {
            key.path = prefix;
            created = true;
        }
        if (at == std::string::npos) break;
        at = path.find('\\', at + 1);
    }
    return created;
}

bool isBelow(const std::string& lowerPath, const std::string& lowerAncestor) {
    return lowerPath.size() > lowerAncestor.size() &&
           lowerPath.compare(0, lowerAncestor.size(), lowerAncestor) == 0 &&
           lowerPath[lowerAncestor.size()] == '\\';
}

// The absolute path `subKey` names below `hKey` in a loaded store, or the error to return.
LONG locate(StoreSession& store, HKEY hKey, LPCWSTR subKey, std::string& path) {
    if (!store.ok()) return ERROR_BADDB;
    return resolve(hKey, subKey, store.keys(), path) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

// The existing key `hKey` stands for, or the error to return.
LONG existingKey(StoreSession& store, HKEY hKey, Key*& key) {
    std::string path;
    const LONG result = locate(store, hKey, nullptr, path);
    if (result != ERROR_SUCCESS) return result;
    const auto found = store.keys().find(lower(path));
    if (found == store.keys().end()) return ERROR_FILE_NOT_FOUND;
    key = &found->second;
    return ERROR_SUCCESS;
}

}  // namespace

std::string comRegistryStorePath() {
    if (const char* path = std::getenv("ZYN_COM_REGISTRY"); path && *path) return path;
    const char* config = std::getenv("XDG_CONFIG_HOME");
    const std::string base =
        config && *config
            ? std::string(config)
            : std::string(std::getenv("HOME") ? std::getenv("HOME") : ".") + "/.config";
    return base + "/zyncomponent/registry.reg";
}

extern "C" LONG RegCreateKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD, LPWSTR, DWORD, REGSAM,
                                const SECURITY_ATTRIBUTES*, PHKEY phkResult,
                                LPDWORD lpdwDisposition) {
    if (!phkResult) return ERROR_INVALID_PARAMETER;
    StoreSession store(true);
    std::string path;
    if (const LONG result = locate(store, hKey, lpSubKey, path); result != ERROR_SUCCESS)
        return result;
    const bool created = createKey(store.keys(), path);
    if (created) {
        const LONG result = store.commit();
        if (result != ERROR_SUCCESS) return result;
    }
    if (lpdwDisposition) *lpdwDisposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    *phkResult = newHandle(path);
    return ERROR_SUCCESS;
}

extern "C" LONG RegOpenKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD, REGSAM, PHKEY phkResult) {
    if (!phkResult) return ERROR_INVALID_PARAMETER;
    StoreSession store(false);
    std::string path;
    if (const LONG result = locate(store, hKey, lpSubKey, path); result != ERROR_SUCCESS)
        return result;
    if (!store.keys().count(lower(path))) return ERROR_FILE_NOT_FOUND;
    *phkResult = newHandle(path);
    return ERROR_SUCCESS;
}

extern "C" LONG RegCloseKey(HKEY hKey) {
    if (isPredefined(hKey)) return ERROR_SUCCESS;
    auto* open = reinterpret_cast<OpenKey*>(hKey);
    {
        std::lock_guard lock(handleMutex);
        if (!liveHandles.erase(open)) return ERROR_INVALID_HANDLE;
    }
    delete open;
    return ERROR_SUCCESS;
}

extern "C" LONG RegSetValueExW(HKEY hKey, LPCWSTR lpValueName, DWORD, DWORD dwType,
                               const BYTE* lpData, DWORD cbData) {
    Value value;
    value.name = lpValueName ? comToUtf8(lpValueName) : std::string();
    value.type = dwType;
    if (dwType == REG_SZ) {
        std::u16string text(cbData / sizeof(OLECHAR), u'\0');
        if (cbData) std::memcpy(text.data(), lpData, text.size() * sizeof(OLECHAR));
        while (!text.empty() && text.back() == 0) text.pop_back();
        value.text = comToUtf8(text.c_str());
    } else if (dwType == REG_DWORD && cbData == sizeof(DWORD) && lpData) {
        std::memcpy(&value.number, lpData, sizeof(DWORD));
    } else {
        return ERROR_INVALID_PARAMETER;
    }
    StoreSession store(true);
    Key* key = nullptr;
    if (const LONG result = existingKey(store, hKey, key); result != ERROR_SUCCESS) return result;
    key->values[lower(value.name)] = value;
    return store.commit();
}

extern "C" LONG RegQueryValueExW(HKEY hKey, LPCWSTR lpValueName, LPDWORD, LPDWORD lpType,
                                 LPBYTE lpData, LPDWORD lpcbData) {
    if (lpData && !lpcbData) return ERROR_INVALID_PARAMETER;
    StoreSession store(false);
    Key* key = nullptr;
    if (const LONG result = existingKey(store, hKey, key); result != ERROR_SUCCESS) return result;
    const auto found =
        key->values.find(lower(lpValueName ? comToUtf8(lpValueName) : std::string()));
    if (found == key->values.end()) return ERROR_FILE_NOT_FOUND;
    const Value& value = found->second;
    std::u16string text;
    const BYTE* bytes = reinterpret_cast<const BYTE*>(&value.number);
    DWORD size = sizeof(DWORD);
    if (value.type == REG_SZ) {
        text = comFromUtf8(value.text);
        bytes = reinterpret_cast<const BYTE*>(text.c_str());
        size = static_cast<DWORD>((text.size() + 1) * sizeof(OLECHAR));
    }
    if (lpType) *lpType = value.type;
    const DWORD room = lpcbData ? *lpcbData : 0;
    if (lpcbData) *lpcbData = size;
    if (!lpData) return ERROR_SUCCESS;
    if (room < size) return ERROR_MORE_DATA;
    std::memcpy(lpData, bytes, size);
    return ERROR_SUCCESS;
}

extern "C" LONG RegDeleteTreeW(HKEY hKey, LPCWSTR lpSubKey) {
    StoreSession store(true);
    std::string path;
    if (const LONG result = locate(store, hKey, lpSubKey, path); result != ERROR_SUCCESS)
        return result;
    const std::string id = lower(path);
    Keys& keys = store.keys();
    const auto top = keys.find(id);
    if (top == keys.end()) return ERROR_FILE_NOT_FOUND;
    if (lpSubKey && *lpSubKey)
        keys.erase(top);
    else
        top->second.values.clear();
    for (auto it = keys.begin(); it != keys.end();)
        it = isBelow(it->first, id) ? keys.erase(it) : std::next(it);
    return store.commit();
}

extern "C" LONG RegDeleteKeyW(HKEY hKey, LPCWSTR lpSubKey) {
    if (!lpSubKey || !*lpSubKey) return ERROR_INVALID_PARAMETER;
    StoreSession store(true);
    std::string path;
    if (const LONG result = locate(store, hKey, lpSubKey, path); result != ERROR_SUCCESS)
        return result;
    const std::string id = lower(path);
    Keys& keys = store.keys();
    if (!keys.count(id)) return ERROR_FILE_NOT_FOUND;
    for (const auto& entry : keys)
        if (isBelow(entry.first, id)) return ERROR_ACCESS_DENIED;
    keys.erase(id);
    return store.commit();
}

extern "C" LONG RegOverridePredefKey(HKEY hKey, HKEY hNewHKey) {
    if (!isPredefined(hKey)) return ERROR_INVALID_HANDLE;
    std::string target;
    if (hNewHKey) {
        Keys none;
        if (!resolve(hNewHKey, nullptr, none, target)) return ERROR_INVALID_HANDLE;
    }
    std::lock_guard lock(handleMutex);
    if (hNewHKey)
        overrides[hKey] = target;
    else
        overrides.erase(hKey);
    return ERROR_SUCCESS;
}
