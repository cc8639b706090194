// The OLE control interfaces, with the least behaviour that makes sense without a window
// system: the control is windowless, keeps its site, extent and advise sinks, and draws its
// name on whatever device context it is given.

#include <algorithm>

#include "CTevAnyFileSource.h"

namespace {

constexpr DWORD kMiscStatus = OLEMISC_RECOMPOSEONRESIZE | OLEMISC_CANTLINKINSIDE |
                              OLEMISC_INSIDEOUT | OLEMISC_ACTIVATEWHENVISIBLE |
                              OLEMISC_INVISIBLEATRUNTIME | OLEMISC_SETCLIENTSITEFIRST;

template <class T>
void replace(T*& slot, T* value) {
    if (value) value->AddRef();
    if (slot) slot->Release();
    slot = value;
}

template <class Connections>
HRESULT connect(Connections& connections, DWORD& nextCookie, IAdviseSink* sink,
                const FORMATETC& format, DWORD* cookie) {
    if (!sink || !cookie) return E_POINTER;
    sink->AddRef();
    *cookie = nextCookie++;
    FORMATETC kept = format;
    kept.ptd = nullptr;
    connections.push_back({*cookie, sink, kept});
    return S_OK;
}

template <class Connections>
HRESULT disconnect(Connections& connections, DWORD cookie) {
    const auto found = std::find_if(connections.begin(), connections.end(),
                                    [&](const auto& c) { return c.cookie == cookie; });
    if (found == connections.end()) return OLE_E_NOCONNECTION;
    found->sink->Release();
    connections.erase(found);
    return S_OK;
}

bool contains(const RECT& r, LONG x, LONG y) {
    return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

}  // namespace

// IOleObject

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::SetClientSite(IOleClientSite* pClientSite) {
    replace(clientSite_, pClientSite);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::GetClientSite(IOleClientSite** ppClientSite) {
    if (!ppClientSite) return E_POINTER;
    *ppClientSite = clientSite_;
    if (clientSite_) clientSite_->AddRef();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::SetHostNames(LPCOLESTR, LPCOLESTR) {
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::Close(DWORD dwSaveOption) {
    if (dwSaveOption == OLECLOSE_SAVEIFDIRTY && requiresSave_ && clientSite_)
        clientSite_->SaveObject();
    inPlaceActive_ = false;
    for (const auto& connection : oleAdvise_) connection.sink->OnClose();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::SetMoniker(DWORD, IMoniker*) {
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::GetMoniker(DWORD, DWORD, IMoniker** ppmk) {
    if (ppmk) *ppmk = nullptr;
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::InitFromData(IDataObject*, BOOL, DWORD) {
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::GetClipboardData(DWORD, IDataObject** ppDataObject) {
    if (ppDataObject) *ppDataObject = nullptr;
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::DoVerb(LONG iVerb, LPMSG, IOleClientSite*, LONG, HWND,
                                                    LPCRECT) {
    switch (iVerb) {
        case OLEIVERB_PRIMARY:
        case OLEIVERB_SHOW:
        case OLEIVERB_UIACTIVATE:
        case OLEIVERB_INPLACEACTIVATE:
            inPlaceActive_ = true;
            return S_OK;
        case OLEIVERB_HIDE:
            inPlaceActive_ = false;
            return S_OK;
        case OLEIVERB_DISCARDUNDOSTATE:
            return S_OK;
        default:
            return E_NOTIMPL;
    }
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::EnumVerbs(IEnumOLEVERB** ppEnumOleVerb) {
    if (ppEnumOleVerb) *ppEnumOleVerb = nullptr;
    return OLE_S_USEREG;
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::Update() {
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::IsUpToDate() {
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::GetUserClassID(CLSID* pClsid) {
    return GetClassID(pClsid);
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::GetUserType(DWORD, LPOLESTR* pszUserType) {
    if (pszUserType) *pszUserType = nullptr;
    return OLE_S_USEREG;
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::SetExtent(DWORD dwDrawAspect, SIZEL* psizel) {
    if (!psizel) return E_POINTER;
    if (dwDrawAspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    extent_ = *psizel;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::GetExtent(DWORD dwDrawAspect, SIZEL* psizel) {
    if (!psizel) return E_POINTER;
    if (dwDrawAspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    *psizel = extent_;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::Advise(IAdviseSink* pAdvSink, DWORD* pdwConnection) {
    return connect(oleAdvise_, nextCookie_, pAdvSink, FORMATETC{}, pdwConnection);
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::Unadvise(DWORD dwConnection) {
    return disconnect(oleAdvise_, dwConnection);
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::EnumAdvise(IEnumSTATDATA** ppenumAdvise) {
    if (ppenumAdvise) *ppenumAdvise = nullptr;
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::GetMiscStatus(DWORD dwAspect, DWORD* pdwStatus) {
    if (!pdwStatus) return E_POINTER;
    *pdwStatus = dwAspect == DVASPECT_CONTENT ? kMiscStatus : 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::SetColorScheme(LOGPALETTE*) {
    return E_NOTIMPL;
}

// IOleControl

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::GetControlInfo(CONTROLINFO* pCI) {
    if (!pCI) return E_POINTER;
    pCI->hAccel = nullptr;
    pCI->cAccel = 0;
    pCI->dwFlags = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::OnMnemonic(MSG*) {
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::OnAmbientPropertyChange(DISPID dispID) {
    if (dispID == DISPID_AMBIENT_DISPLAYNAME || dispID == DISPID_UNKNOWN) announceDisplayName();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::FreezeEvents(BOOL) {
    return S_OK;
}

// In-place activation: windowless.

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::GetWindow(HWND* phwnd) {
    if (phwnd) *phwnd = nullptr;
    return E_FAIL;
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::ContextSensitiveHelp(BOOL) {
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::InPlaceDeactivate() {
    inPlaceActive_ = false;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::UIDeactivate() {
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::SetObjectRects(LPCRECT lprcPosRect, LPCRECT) {
    return lprcPosRect ? S_OK : E_POINTER;
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::ReactivateAndUndo() {
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::OnWindowMessage(UINT, WPARAM, LPARAM,
                                                             LRESULT* plResult) {
    if (plResult) *plResult = 0;
    return S_FALSE;
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::GetDropTarget(IDropTarget** ppDropTarget) {
    if (ppDropTarget) *ppDropTarget = nullptr;
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::TranslateAccelerator(LPMSG) {
    return S_FALSE;
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::OnFrameWindowActivate(BOOL) {
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::OnDocWindowActivate(BOOL) {
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) {
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::EnableModeless(BOOL) {
    return S_OK;
}

// Viewing.

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::Draw(DWORD dwDrawAspect, LONG, void*, DVTARGETDEVICE*,
                                                  HDC, HDC hdcDraw, LPCRECTL lprcBounds, LPCRECTL,
                                                  BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) {
    if (dwDrawAspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    if (!lprcBounds) return E_INVALIDARG;
    ComString name;
    if (!ambientDisplayName(name)) name = OLESTR("TevAnyFileSource");
    RECT bounds{lprcBounds->left, lprcBounds->top, lprcBounds->right, lprcBounds->bottom};
    if (!Rectangle(hdcDraw, bounds.left, bounds.top, bounds.right, bounds.bottom))
        return VIEW_E_DRAW;
    DrawTextW(hdcDraw, name.c_str(), static_cast<int>(name.size()), &bounds,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC,
                                                         LOGPALETTE** ppColorSet) {
    if (ppColorSet) *ppColorSet = nullptr;
    return S_FALSE;
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::Freeze(DWORD, LONG, void*, DWORD*) {
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::Unfreeze(DWORD) {
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::SetAdvise(DWORD aspects, DWORD advf,
                                                       IAdviseSink* pAdvSink) {
    replace(viewSink_, pAdvSink);
    viewAspects_ = aspects;
    viewFlags_ = advf;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::GetAdvise(DWORD* pAspects, DWORD* pAdvf,
                                                       IAdviseSink** ppAdvSink) {
    if (pAspects) *pAspects = viewAspects_;
    if (pAdvf) *pAdvf = viewFlags_;
    if (ppAdvSink) {
        *ppAdvSink = viewSink_;
        if (viewSink_) viewSink_->AddRef();
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::GetExtent(DWORD dwDrawAspect, LONG, DVTARGETDEVICE*,
                                                       LPSIZEL lpsizel) {
    return GetExtent(dwDrawAspect, lpsizel);
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::GetRect(DWORD, LPRECTL) {
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::GetViewStatus(DWORD* pdwStatus) {
    if (!pdwStatus) return E_POINTER;
    *pdwStatus = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::QueryHitPoint(DWORD dwAspect, LPCRECT pRectBounds,
                                                           POINT ptlLoc, LONG, DWORD* pHitResult) {
    if (!pRectBounds || !pHitResult) return E_POINTER;
    if (dwAspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    *pHitResult = contains(*pRectBounds, ptlLoc.x, ptlLoc.y) ? HITRESULT_HIT : HITRESULT_OUTSIDE;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::QueryHitRect(DWORD dwAspect, LPCRECT pRectBounds,
                                                          LPCRECT pRectLoc, LONG,
                                                          DWORD* pHitResult) {
    if (!pRectBounds || !pRectLoc || !pHitResult) return E_POINTER;
    if (dwAspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    const bool overlaps =
        pRectLoc->left < pRectBounds->right && pRectBounds->left < pRectLoc->right &&
        pRectLoc->top < pRectBounds->bottom && pRectBounds->top < pRectLoc->bottom;
    *pHitResult = overlaps ? HITRESULT_HIT : HITRESULT_OUTSIDE;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::GetNaturalExtent(DWORD, LONG, DVTARGETDEVICE*, HDC,
                                                              DVEXTENTINFO*, LPSIZEL) {
    return E_NOTIMPL;
}

// IQuickActivate

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::QuickActivate(QACONTAINER* pQaContainer,
                                                           QACONTROL* pQaControl) {
    if (!pQaContainer || !pQaControl) return E_POINTER;
    SetClientSite(pQaContainer->pClientSite);
    if (pQaContainer->pAdviseSink) SetAdvise(DVASPECT_CONTENT, 0, pQaContainer->pAdviseSink);
    pQaControl->dwMiscStatus = kMiscStatus;
    pQaControl->dwViewStatus = 0;
    pQaControl->dwEventCookie = 0;
    pQaControl->dwPropNotifyCookie = 0;
    pQaControl->dwPointerActivationPolicy = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::SetContentExtent(LPSIZEL pSizel) {
    return SetExtent(DVASPECT_CONTENT, pSizel);
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::GetContentExtent(LPSIZEL pSizel) {
    return GetExtent(DVASPECT_CONTENT, pSizel);
}

// Class information and property pages: there is no type information object and there are no
// pages.

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::GetClassInfo(ITypeInfo** ppTI) {
    if (ppTI) *ppTI = nullptr;
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::GetGUID(DWORD dwGuidKind, GUID* pGUID) {
    if (!pGUID) return E_POINTER;
    *pGUID = GUID_NULL;
    return dwGuidKind == GUIDKIND_DEFAULT_SOURCE_DISP_IID ? E_NOTIMPL : E_INVALIDARG;
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::GetPages(CAUUID* pPages) {
    if (!pPages) return E_POINTER;
    pPages->cElems = 0;
    pPages->pElems = nullptr;
    return S_OK;
}

// IDataObject: no data formats; advise connections hear of property changes.

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::GetData(FORMATETC*, STGMEDIUM*) {
    return DV_E_FORMATETC;
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::GetDataHere(FORMATETC*, STGMEDIUM*) {
    return DV_E_FORMATETC;
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::QueryGetData(FORMATETC*) {
    return DV_E_FORMATETC;
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::GetCanonicalFormatEtc(FORMATETC*,
                                                                   FORMATETC* pformatetcOut) {
    if (pformatetcOut) pformatetcOut->ptd = nullptr;
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::SetData(FORMATETC*, STGMEDIUM*, BOOL) {
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::EnumFormatEtc(DWORD,
                                                           IEnumFORMATETC** ppenumFormatEtc) {
    if (ppenumFormatEtc) *ppenumFormatEtc = nullptr;
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::DAdvise(FORMATETC* pformatetc, DWORD,
                                                     IAdviseSink* pAdvSink, DWORD* pdwConnection) {
    if (!pformatetc) return E_POINTER;
    return connect(dataAdvise_, nextCookie_, pAdvSink, *pformatetc, pdwConnection);
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::DUnadvise(DWORD dwConnection) {
    return disconnect(dataAdvise_, dwConnection);
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::EnumDAdvise(IEnumSTATDATA** ppenumAdvise) {
    if (ppenumAdvise) *ppenumAdvise = nullptr;
    return OLE_E_ADVISENOTSUPPORTED;
}
