#include <gtest/gtest.h>
#include <limits.h>
#include <unistd.h>

#include <array>
#include <cinttypes>
#include <cstdio>
#include <filesystem>
#include <functional>

#include "ComTestHelpers.h"
#include "ControlTestSupport.h"
#include "PpmFixture.h"
#include "TestCanvas.h"
#include "TestSources.h"
#include "TestSupport.h"
#include "TevXforms.h"
#include "VulMetaDataRegistry.h"
#include "ZynGraph.h"
#include "ZynWorkerPool.h"

namespace {

struct Image {
    std::string dir = testDir();
    std::string path = dir + "/image.ppm";
    std::vector<uint8_t> rgb = fixturePattern(60, 40, 3);
    Image() { writePpm(path, 60, 40, rgb); }
};

// Checks a call's result and the error record it left.
void expectFailure(HRESULT got, HRESULT want, const std::string& message, DWORD help,
                   const IID& iid = IID_ITevSource) {
    EXPECT_EQ(got, want) << message;
    const ErrorRecord record = takeError();
    EXPECT_TRUE(record.present) << message;
    EXPECT_EQ(record.description, message);
    EXPECT_EQ(record.help, help) << message;
    EXPECT_EQ(record.iid, iid) << message;
}

ComPtr<ITevAnyFileSource> openControl(const std::string& path) {
    auto control = newControl();
    EXPECT_EQ(control->put_Filename(bstr(path).get()), S_OK);
    return control;
}

std::string filenameOf(const ComPtr<ITevAnyFileSource>& control) {
    ComBstr name;
    EXPECT_EQ(control->get_Filename(name.out()), S_OK);
    EXPECT_NE(name.get(), nullptr);  // an empty name is an empty string, not none
    return utf8(name.get());
}

// A dispatch call in the neutral locale.
HRESULT invoke(const ComPtr<IDispatch>& dispatch, DISPID id, WORD flags, DISPPARAMS* params,
               VARIANT* result = nullptr, EXCEPINFO* exception = nullptr, UINT* argError = nullptr,
               REFIID iid = IID_NULL) {
    return dispatch->Invoke(id, iid, 0, flags, params, result, exception, argError);
}

// A container site with an ambient display name, and a sink that counts notifications.
class Site : public IOleClientSite, public IDispatch, public IAdviseSink {
  public:
    ComString displayName;
    int dataChanges = 0;
    int viewChanges = 0;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (riid == IID_IUnknown || riid == IID_IOleClientSite)
            *ppv = static_cast<IOleClientSite*>(this);
        else if (riid == IID_IDispatch)
            *ppv = static_cast<IDispatch*>(this);
        else if (riid == IID_IAdviseSink)
            *ppv = static_cast<IAdviseSink*>(this);
        else
            return E_NOINTERFACE;
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE SaveObject() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE ShowObject() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL) override { return S_OK; }
    COM_STUB(GetMoniker, DWORD, DWORD, IMoniker**)
    COM_STUB(GetContainer, IOleContainer**)
    COM_STUB(RequestNewObjectLayout)
    COM_STUB(GetTypeInfoCount, UINT*)
    COM_STUB(GetTypeInfo, UINT, LCID, ITypeInfo**)
    COM_STUB(GetIDsOfNames, REFIID, LPOLESTR*, UINT, LCID, DISPID*)
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result,
                                     EXCEPINFO*, UINT*) override {
        if (id != DISPID_AMBIENT_DISPLAYNAME || !result) return DISP_E_MEMBERNOTFOUND;
        result->vt = VT_BSTR;
        result->bstrVal =
            SysAllocStringLen(displayName.data(), static_cast<UINT>(displayName.size()));
        return S_OK;
    }
    void STDMETHODCALLTYPE OnDataChange(FORMATETC*, STGMEDIUM*) override { ++dataChanges; }
    void STDMETHODCALLTYPE OnViewChange(DWORD, LONG) override { ++viewChanges; }
    void STDMETHODCALLTYPE OnRename(IMoniker*) override {}
    void STDMETHODCALLTYPE OnSave() override {}
    void STDMETHODCALLTYPE OnClose() override {}
};

// An outer object that aggregates a control.
struct Outer : public IUnknown {
    ComPtr<IUnknown> inner;
    ULONG references = 1;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (riid == IID_IUnknown) {
            *ppv = this;
            AddRef();
            return S_OK;
        }
        return inner->QueryInterface(riid, ppv);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return --references; }
};

}  // namespace

TEST(Control, ANewControlKeepsFilesOpenHasAnEmptyNameAndNoImage) {
    auto control = newControl();
    VARIANT_BOOL keep = VARIANT_FALSE;
    ASSERT_EQ(query<ITevFileMgmt>(control, IID_ITevFileMgmt)->get_KeepImageFileOpen(&keep), S_OK);
    EXPECT_EQ(keep, VARIANT_TRUE);
    EXPECT_EQ(filenameOf(control), "");
    VARIANT_BOOL ok = VARIANT_TRUE;
    ASSERT_EQ(control->StatusOK(&ok), S_OK);
    EXPECT_EQ(ok, VARIANT_FALSE);
    double width = 0;
    expectFailure(control->GetWidth(0, &width), E_FAIL, "No file name given", 3);
}

TEST(Control, AnswersTheQueriesOfAnOpenFileAndHandsOutItsTransform) {
    Image image;
    auto control = openControl(image.path);
    VARIANT_BOOL ok = VARIANT_FALSE;
    ASSERT_EQ(control->StatusOK(&ok), S_OK);
    EXPECT_EQ(ok, VARIANT_TRUE);
    TevColorSpace space = TEV_UNKNOWN;
    EXPECT_EQ(control->GetColorSpace(0, &space), S_OK);
    EXPECT_EQ(space, TEV_RGB);
    LONG count = 0, width = 0, height = 0;
    EXPECT_EQ(control->GetNumResolutions(0, &count), S_OK);
    EXPECT_EQ(control->GetHorzResolution(0, 0, &width), S_OK);
    EXPECT_EQ(control->GetVertResolution(0, 0, &height), S_OK);
    EXPECT_EQ((std::array<LONG, 3>{count, width, height}), (std::array<LONG, 3>{1, 60, 40}));
    EXPECT_EQ(filenameOf(control), image.path);

    ZynTransform* transform = nullptr;
    ASSERT_EQ(query<ITevZynWrapper2>(control, IID_ITevZynWrapper2)->GetZynTransform(&transform),
              S_OK);
    EXPECT_TRUE(samplesMatch(renderRect(*transform, {60, 40}, {5, 7, 30, 20}), image.rgb, 60));
}

TEST(Control, BadOutPointersAreRefusedWithTheirMessages) {
    auto control = newControl();
    auto* readOnly = readOnlyPage();
    const std::string bad = "Bad pointer passed in.",
                      invalid = "The pointer parameter passed in was invalid";
    expectFailure(control->StatusOK(nullptr), E_POINTER, bad, 6);
    expectFailure(control->GetWidth(0, static_cast<double*>(readOnly)), E_POINTER, bad, 6);
    expectFailure(control->get_Filename(static_cast<BSTR*>(readOnly)), E_POINTER, invalid, 6,
                  IID_ITevAnyFileSource);
    expectFailure(query<ITevFileMgmt>(control, IID_ITevFileMgmt)->get_KeepImageFileOpen(nullptr),
                  E_POINTER, invalid, 6, IID_ITevFileMgmt);
    auto wrapper = query<ITevZynWrapper2>(control, IID_ITevZynWrapper2);
    expectFailure(wrapper->CloneControl(nullptr), E_POINTER, invalid + ".", 6, IID_ITevZynWrapper2);
    expectFailure(wrapper->GetZynTransform(static_cast<ZynTransform**>(readOnly)), E_POINTER, bad,
                  6);
}

TEST(Control, IndexesOutOfRangeGiveInvalidArgumentAfterTheLibraryThrew) {
    Image image;
    auto control = openControl(image.path);
    LONG width = 0;
    VARIANT_BOOL caching;
    const std::tuple<std::function<HRESULT()>, DWORD, std::string> calls[] = {
        {[&] { return control->GetHorzResolution(5, 0, &width); }, 34,
         "Output index 5 is out of range"},
        {[&] { return control->GetVertResolution(0, 99, &width); }, 35,
         "Resolution index 99 is out of range"},
        {[&] { return control->GetCaching(-1, &caching); }, 34, ""},
        {[&] { return control->SetCaching(1, VARIANT_TRUE); }, 34, ""},
    };
    for (const auto& [call, help, text] : calls) {
        EXPECT_EQ(call(), E_INVALIDARG) << help;
        const ErrorRecord record = takeError();
        EXPECT_EQ(record.help, help);
        EXPECT_NE(record.description.find(text), std::string::npos) << record.description;
    }

    // Within range, a failing image is a plain failure of the query.
    auto broken = openControl(image.dir + "/missing.ppm");
    expectFailure(broken->GetHorzResolution(0, 99, &width), E_FAIL,
                  "Failed to open the given file: " + image.dir + "/missing.ppm", 3);
    EXPECT_EQ(broken->SetCaching(0, VARIANT_TRUE), S_OK);
}

TEST(Control, ExceptionsThatAreNotFrameworkErrorsGiveTheMethodsFixedMessage) {
    const std::string path = testDir() + "/throwing.bin";
    writeThrowingFile(path);
    auto control = openControl(path);
    VARIANT_BOOL ok;
    expectFailure(control->StatusOK(&ok), E_FAIL,
                  "Received a Non-ZynError exception while calling StatusOK().", 1);
    LONG count;
    expectFailure(control->GetNumResolutions(0, &count), E_FAIL,
                  "Received a Non-ZynError exception while calling GetNumResolutions().", 1);
}

TEST(Control, KeepImageFileOpenIsTrueOnlyForMinusOneAndReachesTheSource) {
    Image image;
    auto control = openControl(image.path);
    auto files = query<ITevFileMgmt>(control, IID_ITevFileMgmt);
    ZynTransform* transform = nullptr;
    query<ITevZynWrapper2>(control, IID_ITevZynWrapper2)->GetZynTransform(&transform);
    auto renderOnce = [&] { renderRect(*transform, {60, 40}, {0, 0, 4, 4}); };

    VARIANT_BOOL keep = VARIANT_TRUE;
    ASSERT_EQ(files->put_KeepImageFileOpen(1), S_OK);
    files->get_KeepImageFileOpen(&keep);
    EXPECT_EQ(keep, VARIANT_FALSE);
    renderOnce();
    EXPECT_EQ(openDescriptorsOn(image.path), 0);

    ASSERT_EQ(files->put_KeepImageFileOpen(VARIANT_TRUE), S_OK);
    files->get_KeepImageFileOpen(&keep);
    EXPECT_EQ(keep, VARIANT_TRUE);
    renderOnce();
    EXPECT_EQ(openDescriptorsOn(image.path), 1);
}

TEST(Control, LabelAndCachingMarkTheControlDirtyAndTellTheContainerFilenameDoesNot) {
    Image image;
    auto control = newControl();
    auto persist = streamPersistence(control);
    Site site;
    DWORD cookie = 0;
    FORMATETC format{};
    query<IDataObject>(control, IID_IDataObject)->DAdvise(&format, 0, &site, &cookie);
    query<IViewObjectEx>(control, IID_IViewObjectEx)->SetAdvise(DVASPECT_CONTENT, 0, &site);

    control->put_Filename(bstr(image.path).get());
    query<ITevFileMgmt>(control, IID_ITevFileMgmt)->put_KeepImageFileOpen(VARIANT_FALSE);
    EXPECT_EQ(persist->IsDirty(), S_FALSE);
    EXPECT_EQ(site.dataChanges, 0);

    ASSERT_EQ(control->put_Label(bstr("Scan 1").get()), S_OK);
    EXPECT_EQ(persist->IsDirty(), S_OK);
    EXPECT_EQ(site.dataChanges, 1);
    EXPECT_EQ(site.viewChanges, 1);
    control->put_Caching(VARIANT_TRUE);
    EXPECT_EQ(site.viewChanges, 2);
    EXPECT_EQ(labelOf(control), "Scan 1");
    EXPECT_EQ(query<IDataObject>(control, IID_IDataObject)->DUnadvise(cookie), S_OK);
    EXPECT_EQ(query<IDataObject>(control, IID_IDataObject)->DUnadvise(cookie), OLE_E_NOCONNECTION);
}

TEST(Control, TheDisplayNameIsTheContainersOrTheInterfaceAddress) {
    auto control = newControl();
    ComBstr name;
    ASSERT_EQ(control->ControlName(name.out()), S_OK);
    char expected[32];
    std::snprintf(expected, sizeof expected, "0x%" PRIxPTR,
                  reinterpret_cast<uintptr_t>(control.get()));
    EXPECT_EQ(utf8(name.get()), expected);

    TestCanvas dc(200, 100);
    RECTL bounds{0, 0, 200, 100};
    auto view = query<IViewObjectEx>(control, IID_IViewObjectEx);
    ASSERT_EQ(view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, dc.handle(), &bounds,
                         nullptr, nullptr, 0),
              S_OK);
    EXPECT_TRUE(dc.framed());
    EXPECT_TRUE(dc.showsCentred(OLESTR("TevAnyFileSource")));

    Site site;
    site.displayName = OLESTR("Viewer1");
    auto ole = query<IOleObject>(control, IID_IOleObject);
    ole->SetClientSite(&site);
    ASSERT_EQ(streamPersistence(control)->InitNew(), S_OK);
    TevXformEntry entry;
    ASSERT_TRUE(TevFindXform(query<IUnknown>(control, IID_ITevAnyFileSource).get(), entry));
    EXPECT_EQ(entry.name, OLESTR("Viewer1"));
    control->ControlName(name.out());
    EXPECT_EQ(utf8(name.get()), "Viewer1");
    site.displayName = OLESTR("Viewer2");
    query<IOleControl>(control, IID_IOleControl)->OnAmbientPropertyChange(DISPID_UNKNOWN);
    TevFindXform(query<IUnknown>(control, IID_ITevAnyFileSource).get(), entry);
    EXPECT_EQ(entry.name, OLESTR("Viewer2"));
    TestCanvas named(200, 100);
    view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, named.handle(), &bounds, nullptr,
               nullptr, 0);
    EXPECT_TRUE(named.showsCentred(OLESTR("Viewer2")));
    ole->SetClientSite(nullptr);
    DWORD status = 0;
    ole->GetMiscStatus(DVASPECT_CONTENT, &status);
    EXPECT_EQ(status, 132497u);
}

TEST(Control, DispatchCallsTheMethodsWithConvertedArguments) {
    Image image;
    auto control = newControl();
    auto dispatch = query<IDispatch>(control, IID_IDispatch);
    LPOLESTR names[] = {const_cast<LPOLESTR>(OLESTR("gethorzresolution"))};
    DISPID id = 0;
    ASSERT_EQ(dispatch->GetIDsOfNames(IID_NULL, names, 1, 0, &id), S_OK);
    EXPECT_EQ(id, 1023);

    ComVariant file = textVariant(image.path);
    DISPID put = DISPID_PROPERTYPUT;
    DISPPARAMS putParams{&file, &put, 1, 1};
    ASSERT_EQ(invoke(dispatch, DISPID_TEV_FILENAME, DISPATCH_PROPERTYPUT, &putParams), S_OK);
    // Arguments arrive last first; the short and the text convert to the method's integers.
    ComVariant args[2] = {textVariant("0"), scalarVariant(VT_I2, 0)};
    DISPPARAMS call{args, nullptr, 2, 0};
    ComVariant result;
    ASSERT_EQ(invoke(dispatch, 1023, DISPATCH_METHOD, &call, &result), S_OK);
    EXPECT_EQ(result.vt, VT_I4);
    EXPECT_EQ(result.lVal, 60);

    args[0] = scalarVariant(VT_I4, 7);
    EXCEPINFO exception{};
    EXPECT_EQ(invoke(dispatch, 1023, DISPATCH_METHOD, &call, &result, &exception),
              DISP_E_EXCEPTION);
    EXPECT_EQ(exception.scode, E_INVALIDARG);
    EXPECT_EQ(exception.dwHelpContext, 35u);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrHelpFile);

    DISPPARAMS none{nullptr, nullptr, 0, 0};
    EXPECT_EQ(invoke(dispatch, 1023, DISPATCH_METHOD, &none, &result), DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(invoke(dispatch, 999, DISPATCH_METHOD, &none, &result), DISP_E_MEMBERNOTFOUND);
    ASSERT_EQ(invoke(dispatch, DISPID_TEV_KEEPIMAGEFILEOPEN, DISPATCH_PROPERTYGET, &none, &result),
              S_OK);
    EXPECT_EQ(result.vt, VT_BOOL);
    EXPECT_EQ(result.boolVal, VARIANT_TRUE);
}

TEST(Control, MetadataComesFromTheSourceInVariantsAndArgumentsAreChecked) {
    VulMetaDataRegistry::instance().clear();
    const std::string dir = testDir();
    writeMetadataFile(dir + "/meta.bin");
    auto control = openControl(dir + "/meta.bin");
    ComBstr name;
    auto meta = query<IQORMetaDataRead>(control, IID_IQORMetaDataRead);

    ComVariant value;
    ComBstr text = bstr("Test.Text");
    ASSERT_EQ(meta->GetMetaData(text.get(), &value), S_OK);
    ASSERT_EQ(value.vt, VT_BSTR);
    EXPECT_EQ(ComBstr::copyOf(value.bstrVal).text(), OLESTR("h\u00e9llo"));
    ComBstr bytes = bstr("Test.Bytes");
    VariantClear(&value);
    ASSERT_EQ(meta->GetMetaData(bytes.get(), &value), S_OK);
    EXPECT_EQ(value.vt, VT_ARRAY | VT_UI1);
    EXPECT_EQ(value.parray->rgsabound[0].cElements, 3u);
    ComBstr absent = bstr("Test.Absent");
    VariantClear(&value);
    ASSERT_EQ(meta->GetMetaData(absent.get(), &value), S_OK);
    EXPECT_EQ(value.vt, VT_EMPTY);

    expectFailure(meta->GetMetaData(nullptr, &value), E_POINTER, "Bad argument passed in.", 5);
    expectFailure(meta->GetMetaData(text.get(), nullptr), E_POINTER, "Bad pointer passed in.", 6);
    expectFailure(meta->LoadMetaDataRegistryFile(nullptr, VUL_MMA_DEFAULT), E_POINTER,
                  "Bad argument passed in.", 5);
    ComBstr missing = bstr(dir + "/none.txt");
    EXPECT_EQ(meta->LoadMetaDataRegistryFile(missing.get(), VUL_MMA_DEFAULT), E_FAIL);
    EXPECT_EQ(takeError().help, 71u);
    LONG usage = 0;
    expectFailure(meta->GetMetaDataUsage(text.get(), &usage), E_FAIL,
                  "The metadata key \"Test.Text\" is not registered", 75);

    writeFile(dir + "/registry.txt", "Test.Text read|persist\n");
    writeFile(dir + "/aliases.txt", "Greeting = Test.Text\n");
    ComBstr registry = bstr(dir + "/registry.txt");
    ComBstr aliases = bstr(dir + "/aliases.txt");
    ASSERT_EQ(meta->LoadMetaDataRegistryFile(registry.get(), VUL_MMA_DEFAULT), S_OK);
    ASSERT_EQ(meta->LoadMetaDataRegistryFile(aliases.get(), VUL_MMA_ALIAS_FILE), S_OK);
    ComBstr greeting = bstr("Greeting");
    ASSERT_EQ(meta->GetMetaDataUsage(greeting.get(), &usage), S_OK);
    EXPECT_EQ(usage, 5);
    VariantClear(&value);
    ASSERT_EQ(meta->GetMetaData(greeting.get(), &value), S_OK);
    EXPECT_EQ(value.vt, VT_BSTR);
    EXPECT_EQ(meta->ClearMetaDataRegistry(), S_OK);
    EXPECT_EQ(meta->GetMetaDataUsage(greeting.get(), &usage), E_FAIL);
    EXPECT_EQ(meta->GetSupportedMetaData(&value), E_NOTIMPL);
    EXPECT_EQ(meta->GetAliasKey(VUL_METADATA_PERSIST_ALIAS, name.out()), E_NOTIMPL);
}

TEST(Control, ClonesShareTheSetupButNotTheIdentity) {
    Image image;
    auto control = openControl(image.path);
    control->put_Label(bstr("original").get());
    control->put_Caching(VARIANT_TRUE);
    auto wrapper = query<ITevZynWrapper2>(control, IID_ITevZynWrapper2);
    ComPtr<ITevAnyFileSource> clone;
    ASSERT_EQ(wrapper->CloneControl(clone.out()), S_OK);
    EXPECT_EQ(filenameOf(clone), image.path);
    EXPECT_EQ(labelOf(clone), "original");
    VARIANT_BOOL ok = VARIANT_FALSE, caching = VARIANT_FALSE;
    clone->StatusOK(&ok);
    clone->get_Caching(&caching);
    EXPECT_EQ(ok, VARIANT_TRUE);
    EXPECT_EQ(caching, VARIANT_TRUE);
    GUID mine{}, theirs{};
    wrapper->GetIdentity(&mine);
    clone.query<ITevZynWrapper2>(IID_ITevZynWrapper2)->GetIdentity(&theirs);
    EXPECT_NE(mine, theirs);
    ZynTransform *a = nullptr, *b = nullptr;
    wrapper->GetZynTransform(&a);
    clone.query<ITevZynWrapper2>(IID_ITevZynWrapper2)->GetZynTransform(&b);
    EXPECT_NE(a, b);
}

TEST(Control, AggregatedControlsAnswerForTheirOuterObject) {
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(DllGetClassObject(CLSID_TevAnyFileSource, IID_IClassFactory, factory.outVoid()),
              S_OK);
    Outer outer;
    ComPtr<IUnknown> refused;
    EXPECT_EQ(factory->CreateInstance(&outer, IID_ITevSource, refused.outVoid()),
              CLASS_E_NOAGGREGATION);
    ASSERT_EQ(factory->CreateInstance(&outer, IID_IUnknown, outer.inner.outVoid()), S_OK);
    ComPtr<ITevSource> source;
    ASSERT_EQ(outer.QueryInterface(IID_ITevSource, source.outVoid()), S_OK);
    EXPECT_EQ(outer.references, 2u);
    ComPtr<IUnknown> identity;
    source->QueryInterface(IID_IUnknown, identity.outVoid());
    EXPECT_EQ(identity.get(), &outer);
    identity.reset();
    source.reset();
    EXPECT_EQ(outer.references, 1u);
    outer.inner.reset();
}

TEST(Control, TheServerStaysLoadedWhileObjectsLiveOrItIsLocked) {
    const long before = TevServerLockCount();
    {
        auto control = newControl();
        EXPECT_EQ(TevServerLockCount(), before + 1);
        EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
    }
    EXPECT_EQ(TevServerLockCount(), before);
    ComPtr<IClassFactory> factory;
    DllGetClassObject(CLSID_TevAnyFileSource, IID_IClassFactory, factory.outVoid());
    factory->LockServer(TRUE);
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
    factory->LockServer(FALSE);
    const bool threadsRun = ZynWorkerPool::shared().workerCount() > 0;
    EXPECT_EQ(DllCanUnloadNow(), before == 0 && !threadsRun ? S_OK : S_FALSE);
    ZynWorkerPool::shared().forEach(2, 2, [](size_t, size_t) {});
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE) << "while rendering threads run the server's code";
    const GUID other = {1, 1, 1, {1, 1, 1, 1, 1, 1, 1, 1}};
    EXPECT_EQ(DllGetClassObject(other, IID_IClassFactory, factory.outVoid()),
              CLASS_E_CLASSNOTAVAILABLE);
}

TEST(Control, OleInterfacesDoTheLeastThatMakesSenseWithoutAWindow) {
    auto control = newControl();
    Site site;
    QACONTAINER container{};
    container.cbSize = sizeof container;
    container.pClientSite = &site;
    QACONTROL answer{};
    answer.cbSize = sizeof answer;
    ASSERT_EQ(
        query<IQuickActivate>(control, IID_IQuickActivate)->QuickActivate(&container, &answer),
        S_OK);
    EXPECT_EQ(answer.dwMiscStatus, 132497u);
    auto ole = query<IOleObject>(control, IID_IOleObject);
    ComPtr<IOleClientSite> back;
    ole->GetClientSite(back.out());
    EXPECT_EQ(back.get(), static_cast<IOleClientSite*>(&site));
    back.reset();

    SIZEL size{1000, 500}, read{};
    EXPECT_EQ(ole->SetExtent(DVASPECT_CONTENT, &size), S_OK);
    EXPECT_EQ(query<IViewObjectEx>(control, IID_IViewObjectEx)
                  ->GetExtent(DVASPECT_CONTENT, -1, nullptr, &read),
              S_OK);
    EXPECT_EQ(read.cx, 1000);
    EXPECT_EQ(ole->SetExtent(DVASPECT_ICON, &size), DV_E_DVASPECT);

    auto view = query<IViewObjectEx>(control, IID_IViewObjectEx);
    RECT bounds{0, 0, 10, 10};
    DWORD hit = 99;
    view->QueryHitPoint(DVASPECT_CONTENT, &bounds, POINT{5, 5}, 0, &hit);
    EXPECT_EQ(hit, static_cast<DWORD>(HITRESULT_HIT));
    view->QueryHitPoint(DVASPECT_CONTENT, &bounds, POINT{10, 5}, 0, &hit);
    EXPECT_EQ(hit, static_cast<DWORD>(HITRESULT_OUTSIDE));
    TestCanvas dc(10, 10);
    RECTL box{0, 0, 10, 10};
    EXPECT_EQ(view->Draw(DVASPECT_ICON, -1, nullptr, nullptr, nullptr, dc.handle(), &box, nullptr,
                         nullptr, 0),
              DV_E_DVASPECT);
    EXPECT_EQ(view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, nullptr, &box, nullptr,
                         nullptr, 0),
              VIEW_E_DRAW);

    HWND window = reinterpret_cast<HWND>(1);
    EXPECT_EQ(query<IOleInPlaceObjectWindowless>(control, IID_IOleInPlaceObjectWindowless)
                  ->GetWindow(&window),
              E_FAIL);
    EXPECT_EQ(window, nullptr);
    CAUUID pages{7, nullptr};
    EXPECT_EQ(query<ISpecifyPropertyPages>(control, IID_ISpecifyPropertyPages)->GetPages(&pages),
              S_OK);
    EXPECT_EQ(pages.cElems, 0u);
    CLSID clsid{};
    ole->GetUserClassID(&clsid);
    EXPECT_EQ(clsid, CLSID_TevAnyFileSource);
    LPOLESTR type = nullptr;
    EXPECT_EQ(ole->GetUserType(1, &type), OLE_S_USEREG);
    EXPECT_EQ(ole->DoVerb(OLEIVERB_PROPERTIES, nullptr, nullptr, 0, nullptr, nullptr), E_NOTIMPL);
    EXPECT_EQ(ole->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, nullptr, 0, nullptr, nullptr), S_OK);
    FORMATETC format{};
    STGMEDIUM medium{};
    EXPECT_EQ(query<IDataObject>(control, IID_IDataObject)->GetData(&format, &medium),
              DV_E_FORMATETC);
    ole->SetClientSite(nullptr);
    view->SetAdvise(0, 0, nullptr);
}

TEST(Control, DispatchRefusesUnknownNamesAndMisplacedArguments) {
    auto control = newControl();
    auto dispatch = query<IDispatch>(control, IID_IDispatch);
    LPOLESTR names[] = {const_cast<LPOLESTR>(OLESTR("NoSuchMember")),
                        const_cast<LPOLESTR>(OLESTR("arg"))};
    DISPID ids[2] = {0, 0};
    EXPECT_EQ(dispatch->GetIDsOfNames(IID_NULL, names, 1, 0, ids), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(ids[0], DISPID_UNKNOWN);
    names[0] = const_cast<LPOLESTR>(OLESTR("Label"));
    EXPECT_EQ(dispatch->GetIDsOfNames(IID_NULL, names, 2, 0, ids), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(ids[0], DISPID_TEV_LABEL);
    EXPECT_EQ(ids[1], DISPID_UNKNOWN);

    ComVariant value = textVariant("x");
    DISPID wrongName = 5;
    DISPPARAMS misnamed{&value, &wrongName, 1, 1};
    EXPECT_EQ(invoke(dispatch, DISPID_TEV_LABEL, DISPATCH_PROPERTYPUT, &misnamed),
              DISP_E_PARAMNOTFOUND);
    ComVariant list;
    list.vt = VT_ARRAY | VT_I4;
    list.parray = SafeArrayCreateVector(VT_I4, 0, 1);
    DISPID put = DISPID_PROPERTYPUT;
    DISPPARAMS wrongType{&list, &put, 1, 1};
    UINT argError = 99;
    EXPECT_EQ(invoke(dispatch, DISPID_TEV_CACHING, DISPATCH_PROPERTYPUT, &wrongType, nullptr,
                     nullptr, &argError),
              DISP_E_TYPEMISMATCH);
    EXPECT_EQ(argError, 0u);
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    const GUID other = {1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}};
    EXPECT_EQ(invoke(dispatch, DISPID_TEV_LABEL, DISPATCH_PROPERTYGET, &none, nullptr, nullptr,
                     nullptr, other),
              DISP_E_UNKNOWNINTERFACE);
    // Properties read through dispatch come back typed.
    ComVariant label;
    ASSERT_EQ(invoke(dispatch, DISPID_TEV_LABEL, DISPATCH_PROPERTYGET, &none, &label), S_OK);
    EXPECT_EQ(label.vt, VT_BSTR);
}
