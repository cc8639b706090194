#include "ComStream.h"

STDAPI WriteClassStm(LPSTREAM pStm, REFCLSID rclsid) {
    if (!pStm) return E_INVALIDARG;
    ULONG written = 0;
    const HRESULT hr = pStm->Write(&rclsid, sizeof(CLSID), &written);
    if (FAILED(hr)) return hr;
    return written == sizeof(CLSID) ? S_OK : STG_E_WRITEFAULT;
}

STDAPI ReadClassStm(LPSTREAM pStm, CLSID* pclsid) {
    if (!pStm || !pclsid) return E_INVALIDARG;
    ULONG read = 0;
    const HRESULT hr = pStm->Read(pclsid, sizeof(CLSID), &read);
    if (FAILED(hr)) return hr;
    return read == sizeof(CLSID) ? S_OK : STG_E_READFAULT;
}

STDAPI OleSaveToStream(LPPERSISTSTREAM pPStm, LPSTREAM pStm) {
    if (!pStm || !pPStm) return E_INVALIDARG;
    CLSID clsid;
    HRESULT hr = pPStm->GetClassID(&clsid);
    if (FAILED(hr)) return hr;
    hr = WriteClassStm(pStm, clsid);
    if (FAILED(hr)) return hr;
    return pPStm->Save(pStm, TRUE);
}
