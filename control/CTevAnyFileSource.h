#pragma once

#include <atomic>
#include <vector>

#include "ComString.h"
#include "TevAnyFileSourceCtrl.h"
#include "TevTrampDataStore.h"
#include "ZynTransform.h"

class ZynAnyImageSource;

// The control through which a host uses the component: it owns one any-image source, writes
// the host's file name and keep-open choice into it, passes every query to the control-support
// library and turns failures into COM results with error-info records. Apartment-threaded: it
// takes no locks of its own.
class CTevAnyFileSource final : public ITevAnyFileSource,
                                public ITevFileMgmt,
                                public ITevZynWrapper2,
                                public IQORMetaDataRead,
                                public IQORPersistWithNewIdentity2,
                                public ITevTrampData,
                                public IDispatch,
                                public ISupportErrorInfo,
                                public IPersistStreamInit,
                                public IPersistStorage,
                                public IOleObject,
                                public IOleControl,
                                public IOleInPlaceObjectWindowless,
                                public IOleInPlaceActiveObject,
                                public IViewObjectEx,
                                public IQuickActivate,
                                public IProvideClassInfo2,
                                public ISpecifyPropertyPages,
                                public IDataObject {
  public:
    // Creates a control, inside `outer` when it is aggregated (then `riid` must be IUnknown),
    // and answers its interface `riid`.
    static HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** ppv);

    // IUnknown: delegated to the outer object when aggregated.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // ITevSource
    HRESULT STDMETHODCALLTYPE ControlName(BSTR* name) override;
    HRESULT STDMETHODCALLTYPE StatusOK(VARIANT_BOOL* ok) override;
    HRESULT STDMETHODCALLTYPE get_Label(BSTR* label) override;
    HRESULT STDMETHODCALLTYPE put_Label(BSTR label) override;
    HRESULT STDMETHODCALLTYPE DumpGraph(BSTR fileName) override;
    HRESULT STDMETHODCALLTYPE get_Caching(VARIANT_BOOL* caching) override;
    HRESULT STDMETHODCALLTYPE put_Caching(VARIANT_BOOL caching) override;
    HRESULT STDMETHODCALLTYPE SetCaching(LONG outputIndex, VARIANT_BOOL caching) override;
    HRESULT STDMETHODCALLTYPE GetCaching(LONG outputIndex, VARIANT_BOOL* caching) override;
    HRESULT STDMETHODCALLTYPE GetColorSpace(LONG outputIndex, TevColorSpace* colorSpace) override;
    HRESULT STDMETHODCALLTYPE GetUnit(LONG outputIndex, TevSpatialUnit* unit) override;
    HRESULT STDMETHODCALLTYPE GetWidth(LONG outputIndex, double* width) override;
    HRESULT STDMETHODCALLTYPE GetHeight(LONG outputIndex, double* height) override;
    HRESULT STDMETHODCALLTYPE GetNumResolutions(LONG outputIndex, LONG* count) override;
    HRESULT STDMETHODCALLTYPE GetHorzResolution(LONG outputIndex, LONG resolutionIndex,
                                                LONG* width) override;
    HRESULT STDMETHODCALLTYPE GetVertResolution(LONG outputIndex, LONG resolutionIndex,
                                                LONG* height) override;

    // ITevAnyFileSource
    HRESULT STDMETHODCALLTYPE get_Filename(BSTR* fileName) override;
    HRESULT STDMETHODCALLTYPE put_Filename(BSTR fileName) override;

    // ITevFileMgmt
    HRESULT STDMETHODCALLTYPE get_KeepImageFileOpen(VARIANT_BOOL* keepOpen) override;
    HRESULT STDMETHODCALLTYPE put_KeepImageFileOpen(VARIANT_BOOL keepOpen) override;

    // ITevZynWrapper2
    HRESULT STDMETHODCALLTYPE GetZynTransform(ZynTransform** transform) override;
    HRESULT STDMETHODCALLTYPE GetControlDisplayName(BSTR* name) override;
    HRESULT STDMETHODCALLTYPE GetIdentity(GUID* identity) override;
    HRESULT STDMETHODCALLTYPE CloneControl(ITevAnyFileSource** clone) override;

    // IQORMetaDataRead
    HRESULT STDMETHODCALLTYPE LoadMetaDataRegistryFile(BSTR path,
                                                       VUL_MMA_DUPLICATE_ENTRY_MODE mode) override;
    HRESULT STDMETHODCALLTYPE ClearMetaDataRegistry() override;
    HRESULT STDMETHODCALLTYPE GetMetaData(BSTR key, VARIANT* value) override;
    HRESULT STDMETHODCALLTYPE GetSupportedMetaData(VARIANT* keys) override;
    HRESULT STDMETHODCALLTYPE GetMetaDataUsage(BSTR key, LONG* usage) override;
    HRESULT STDMETHODCALLTYPE GetAliasKey(VUL_METADATA_ALIASKEY kind, BSTR* key) override;

    // IQORPersistWithNewIdentity2
    HRESULT STDMETHODCALLTYPE SaveWithNewIdentity(IStream* stream, BOOL clearDirty, VARIANT* oldIds,
                                                  VARIANT* newIds, LONG index) override;
    HRESULT STDMETHODCALLTYPE LoadWithNewIdentity(IStream* stream, VARIANT* readIds,
                                                  VARIANT* ownIds, LONG index) override;

    // ITevTrampData
    HRESULT STDMETHODCALLTYPE SetTrampData(BSTR key, VARIANT value) override;
    HRESULT STDMETHODCALLTYPE GetTrampData(BSTR key, VARIANT* value) override;
    HRESULT STDMETHODCALLTYPE GetTrampDataKeyNames(VARIANT* names) override;
    HRESULT STDMETHODCALLTYPE ContainsKey(BSTR key, VARIANT_BOOL* contains) override;
    HRESULT STDMETHODCALLTYPE ClearTrampDataKey(BSTR key) override;
    HRESULT STDMETHODCALLTYPE ClearTrampData() override;

    // IDispatch (ITevAnyFileSourceDisp)
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* pctinfo) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames,
                                            LCID lcid, DISPID* rgDispId) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags,
                                     DISPPARAMS* pDispParams, VARIANT* pVarResult,
                                     EXCEPINFO* pExcepInfo, UINT* puArgErr) override;

    // ISupportErrorInfo
    HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID riid) override;

    // IPersistStreamInit, IPersistStorage
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* pClassID) override;
    HRESULT STDMETHODCALLTYPE IsDirty() override;
    HRESULT STDMETHODCALLTYPE Load(LPSTREAM pStm) override;
    HRESULT STDMETHODCALLTYPE Save(LPSTREAM pStm, BOOL fClearDirty) override;
    HRESULT STDMETHODCALLTYPE GetSizeMax(ULARGE_INTEGER* pCbSize) override;
    HRESULT STDMETHODCALLTYPE InitNew() override;
    HRESULT STDMETHODCALLTYPE InitNew(IStorage* pStg) override;
    HRESULT STDMETHODCALLTYPE Load(IStorage* pStg) override;
    HRESULT STDMETHODCALLTYPE Save(IStorage* pStgSave, BOOL fSameAsLoad) override;
    HRESULT STDMETHODCALLTYPE SaveCompleted(IStorage* pStgNew) override;
    HRESULT STDMETHODCALLTYPE HandsOffStorage() override;

    // IOleObject
    HRESULT STDMETHODCALLTYPE SetClientSite(IOleClientSite* pClientSite) override;
    HRESULT STDMETHODCALLTYPE GetClientSite(IOleClientSite** ppClientSite) override;
    HRESULT STDMETHODCALLTYPE SetHostNames(LPCOLESTR szContainerApp,
                                           LPCOLESTR szContainerObj) override;
    HRESULT STDMETHODCALLTYPE Close(DWORD dwSaveOption) override;
    HRESULT STDMETHODCALLTYPE SetMoniker(DWORD dwWhichMoniker, IMoniker* pmk) override;
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD dwAssign, DWORD dwWhichMoniker,
                                         IMoniker** ppmk) override;
    HRESULT STDMETHODCALLTYPE InitFromData(IDataObject* pDataObject, BOOL fCreation,
                                           DWORD dwReserved) override;
    HRESULT STDMETHODCALLTYPE GetClipboardData(DWORD dwReserved,
                                               IDataObject** ppDataObject) override;
    HRESULT STDMETHODCALLTYPE DoVerb(LONG iVerb, LPMSG lpmsg, IOleClientSite* pActiveSite,
                                     LONG lindex, HWND hwndParent, LPCRECT lprcPosRect) override;
    HRESULT STDMETHODCALLTYPE EnumVerbs(IEnumOLEVERB** ppEnumOleVerb) override;
    HRESULT STDMETHODCALLTYPE Update() override;
    HRESULT STDMETHODCALLTYPE IsUpToDate() override;
    HRESULT STDMETHODCALLTYPE GetUserClassID(CLSID* pClsid) override;
    HRESULT STDMETHODCALLTYPE GetUserType(DWORD dwFormOfType, LPOLESTR* pszUserType) override;
    HRESULT STDMETHODCALLTYPE SetExtent(DWORD dwDrawAspect, SIZEL* psizel) override;
    HRESULT STDMETHODCALLTYPE GetExtent(DWORD dwDrawAspect, SIZEL* psizel) override;
    HRESULT STDMETHODCALLTYPE Advise(IAdviseSink* pAdvSink, DWORD* pdwConnection) override;
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD dwConnection) override;
    HRESULT STDMETHODCALLTYPE EnumAdvise(IEnumSTATDATA** ppenumAdvise) override;
    HRESULT STDMETHODCALLTYPE GetMiscStatus(DWORD dwAspect, DWORD* pdwStatus) override;
    HRESULT STDMETHODCALLTYPE SetColorScheme(LOGPALETTE* pLogpal) override;

    // IOleControl
    HRESULT STDMETHODCALLTYPE GetControlInfo(CONTROLINFO* pCI) override;
    HRESULT STDMETHODCALLTYPE OnMnemonic(MSG* pMsg) override;
    HRESULT STDMETHODCALLTYPE OnAmbientPropertyChange(DISPID dispID) override;
    HRESULT STDMETHODCALLTYPE FreezeEvents(BOOL bFreeze) override;

    // IOleWindow, IOleInPlaceObject(Windowless), IOleInPlaceActiveObject
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* phwnd) override;
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL fEnterMode) override;
    HRESULT STDMETHODCALLTYPE InPlaceDeactivate() override;
    HRESULT STDMETHODCALLTYPE UIDeactivate() override;
    HRESULT STDMETHODCALLTYPE SetObjectRects(LPCRECT lprcPosRect, LPCRECT lprcClipRect) override;
    HRESULT STDMETHODCALLTYPE ReactivateAndUndo() override;
    HRESULT STDMETHODCALLTYPE OnWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam,
                                              LRESULT* plResult) override;
    HRESULT STDMETHODCALLTYPE GetDropTarget(IDropTarget** ppDropTarget) override;
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG lpmsg) override;
    HRESULT STDMETHODCALLTYPE OnFrameWindowActivate(BOOL fActivate) override;
    HRESULT STDMETHODCALLTYPE OnDocWindowActivate(BOOL fActivate) override;
    HRESULT STDMETHODCALLTYPE ResizeBorder(LPCRECT prcBorder, IOleInPlaceUIWindow* pUIWindow,
                                           BOOL fFrameWindow) override;
    HRESULT STDMETHODCALLTYPE EnableModeless(BOOL fEnable) override;

    // IViewObjectEx
    HRESULT STDMETHODCALLTYPE Draw(DWORD dwDrawAspect, LONG lindex, void* pvAspect,
                                   DVTARGETDEVICE* ptd, HDC hdcTargetDev, HDC hdcDraw,
                                   LPCRECTL lprcBounds, LPCRECTL lprcWBounds,
                                   BOOL(STDMETHODCALLTYPE* pfnContinue)(ULONG_PTR),
                                   ULONG_PTR dwContinue) override;
    HRESULT STDMETHODCALLTYPE GetColorSet(DWORD dwDrawAspect, LONG lindex, void* pvAspect,
                                          DVTARGETDEVICE* ptd, HDC hicTargetDev,
                                          LOGPALETTE** ppColorSet) override;
    HRESULT STDMETHODCALLTYPE Freeze(DWORD dwDrawAspect, LONG lindex, void* pvAspect,
                                     DWORD* pdwFreeze) override;
    HRESULT STDMETHODCALLTYPE Unfreeze(DWORD dwFreeze) override;
    HRESULT STDMETHODCALLTYPE SetAdvise(DWORD aspects, DWORD advf, IAdviseSink* pAdvSink) override;
    HRESULT STDMETHODCALLTYPE GetAdvise(DWORD* pAspects, DWORD* pAdvf,
                                        IAdviseSink** ppAdvSink) override;
    HRESULT STDMETHODCALLTYPE GetExtent(DWORD dwDrawAspect, LONG lindex, DVTARGETDEVICE* ptd,
                                        LPSIZEL lpsizel) override;
    HRESULT STDMETHODCALLTYPE GetRect(DWORD dwAspect, LPRECTL pRect) override;
    HRESULT STDMETHODCALLTYPE GetViewStatus(DWORD* pdwStatus) override;
    HRESULT STDMETHODCALLTYPE QueryHitPoint(DWORD dwAspect, LPCRECT pRectBounds, POINT ptlLoc,
                                            LONG lCloseHint, DWORD* pHitResult) override;
    HRESULT STDMETHODCALLTYPE QueryHitRect(DWORD dwAspect, LPCRECT pRectBounds, LPCRECT pRectLoc,
                                           LONG lCloseHint, DWORD* pHitResult) override;
    HRESULT STDMETHODCALLTYPE GetNaturalExtent(DWORD dwAspect, LONG lindex, DVTARGETDEVICE* ptd,
                                               HDC hicTargetDev, DVEXTENTINFO* pExtentInfo,
                                               LPSIZEL pSizel) override;

    // IQuickActivate
    HRESULT STDMETHODCALLTYPE QuickActivate(QACONTAINER* pQaContainer,
                                            QACONTROL* pQaControl) override;
    HRESULT STDMETHODCALLTYPE SetContentExtent(LPSIZEL pSizel) override;
    HRESULT STDMETHODCALLTYPE GetContentExtent(LPSIZEL pSizel) override;

    // IProvideClassInfo2, ISpecifyPropertyPages
    HRESULT STDMETHODCALLTYPE GetClassInfo(ITypeInfo** ppTI) override;
    HRESULT STDMETHODCALLTYPE GetGUID(DWORD dwGuidKind, GUID* pGUID) override;
    HRESULT STDMETHODCALLTYPE GetPages(CAUUID* pPages) override;

    // IDataObject
    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* pformatetcIn, STGMEDIUM* pmedium) override;
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC* pformatetc, STGMEDIUM* pmedium) override;
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* pformatetc) override;
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC* pformatectIn,
                                                    FORMATETC* pformatetcOut) override;
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC* pformatetc, STGMEDIUM* pmedium,
                                      BOOL fRelease) override;
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD dwDirection,
                                            IEnumFORMATETC** ppenumFormatEtc) override;
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC* pformatetc, DWORD advf, IAdviseSink* pAdvSink,
                                      DWORD* pdwConnection) override;
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD dwConnection) override;
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA** ppenumAdvise) override;

  private:
    // The object's own IUnknown: the identity it keeps when an outer object aggregates it.
    class OwnUnknown : public IUnknown {
      public:
        explicit OwnUnknown(CTevAnyFileSource& owner) : owner_(owner) {}
        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override;
        ULONG STDMETHODCALLTYPE AddRef() override;
        ULONG STDMETHODCALLTYPE Release() override;

      private:
        CTevAnyFileSource& owner_;
    };

    struct AdviseConnection {
        DWORD cookie;
        IAdviseSink* sink;
        FORMATETC format;
    };

    explicit CTevAnyFileSource(IUnknown* outer);
    ~CTevAnyFileSource();
    CTevAnyFileSource(const CTevAnyFileSource&) = delete;
    CTevAnyFileSource& operator=(const CTevAnyFileSource&) = delete;

    // The construction steps that can fail.
    HRESULT initialize();
    // The interface of this object for `riid`, or null.
    void* interfaceFor(REFIID riid);
    IUnknown* asUnknown() { return static_cast<ITevAnyFileSource*>(this); }
    // Points anySource_ at the transform, which must be an any-image source.
    HRESULT adoptTransform(ZynTransformPtr transform);

    // Display name: the container's ambient one, or the interface address.
    bool ambientDisplayName(ComString& name);
    ComString displayName();
    void announceDisplayName();

    // Requires-save flag and container notifications after a property change.
    void propertyChanged();

    // Persistence (stream layout in the README and TevVariantStream.h).
    HRESULT saveCore(IStream* stream, const GUID& identity);
    HRESULT writeTrampData(IStream* stream);
    HRESULT writeProperties(IStream* stream);
    HRESULT loadCore(IStream* stream, GUID* readIds, LONG index);
    HRESULT readBlockAndVersion(IStream* stream, uint32_t& version);
    HRESULT readProperties(IStream* stream, uint32_t version);
    HRESULT getProperty(DISPID id, VARIANT* value);
    HRESULT putProperty(DISPID id, VARIANT* value);

    // Dispatch.
    HRESULT invokeMember(DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result,
                         UINT* argError);

    std::atomic<ULONG> references_{1};
    OwnUnknown own_{*this};
    IUnknown* outer_;

    ZynTransformPtr transform_;
    ZynAnyImageSource* anySource_ = nullptr;
    GUID identity_{};
    bool initialised_ = false;
    bool requiresSave_ = false;
    TevTrampDataStore trampData_;

    IOleClientSite* clientSite_ = nullptr;
    IAdviseSink* viewSink_ = nullptr;
    DWORD viewAspects_ = 0;
    DWORD viewFlags_ = 0;
    std::vector<AdviseConnection> dataAdvise_;
    std::vector<AdviseConnection> oleAdvise_;
    DWORD nextCookie_ = 1;
    SIZEL extent_{2540, 2540};
    bool inPlaceActive_ = false;
};
