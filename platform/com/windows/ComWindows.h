#pragma once

// What the component needs beside the SDK's own declarations.

#include <comcat.h>
#include <shlwapi.h>

#include <string>

// The SDK's signatures do not promise to leave a source variant alone, though the functions do;
// the component copies and converts from const variants.
inline HRESULT VariantCopy(VARIANTARG* destination, const VARIANTARG* source) {
    return VariantCopy(destination, const_cast<VARIANTARG*>(source));
}
inline HRESULT VariantChangeType(VARIANTARG* destination, const VARIANTARG* source, USHORT flags,
                                 VARTYPE type) {
    return VariantChangeType(destination, const_cast<VARIANTARG*>(source), flags, type);
}

// A storage in memory, for hosts that keep controls in storages.
HRESULT ComCreateMemoryStorage(IStorage** storage);

// Where registrations go, for messages.
std::string comRegistryStorePath();
