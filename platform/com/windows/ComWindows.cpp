#include "ComPlatform.h"

std::string comRegistryStorePath() {
    return "the Windows registry";
}

HRESULT ComCreateMemoryStorage(IStorage** storage) {
    if (!storage) return E_POINTER;
    *storage = nullptr;
    ILockBytes* bytes = nullptr;
    HRESULT hr = CreateILockBytesOnHGlobal(nullptr, TRUE, &bytes);
    if (FAILED(hr)) return hr;
    hr = StgCreateDocfileOnILockBytes(bytes, STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0,
                                      storage);
    bytes->Release();
    return hr;
}
