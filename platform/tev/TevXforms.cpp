#include "TevXforms.h"

#include <map>
#include <mutex>

namespace {

std::mutex tableMutex;
std::map<IUnknown*, TevXformEntry>& table() {
    static std::map<IUnknown*, TevXformEntry> entries;
    return entries;
}

template <class Change>
HRESULT changeEntry(IUnknown* control, Change change) {
    std::lock_guard lock(tableMutex);
    const auto found = table().find(control);
    if (found == table().end()) return E_INVALIDARG;
    change(found->second);
    return S_OK;
}

}  // namespace

HRESULT AddXform(IUnknown* control, REFGUID identity) {
    if (!control) return E_POINTER;
    std::lock_guard lock(tableMutex);
    table()[control] = TevXformEntry{{}, identity};
    return S_OK;
}

HRESULT RemoveXform(IUnknown* control) {
    std::lock_guard lock(tableMutex);
    return table().erase(control) ? S_OK : S_FALSE;
}

HRESULT ChangeControlName(IUnknown* control, LPCOLESTR name) {
    return changeEntry(control, [&](TevXformEntry& e) { e.name = name ? name : OLESTR(""); });
}

HRESULT ChangeControlGuid(IUnknown* control, REFGUID identity) {
    return changeEntry(control, [&](TevXformEntry& e) { e.identity = identity; });
}

HRESULT CorrectConnections(IUnknown* control) {
    return changeEntry(control, [](TevXformEntry&) {});
}

bool TevFindXform(IUnknown* control, TevXformEntry& entry) {
    std::lock_guard lock(tableMutex);
    const auto found = table().find(control);
    if (found == table().end()) return false;
    entry = found->second;
    return true;
}
