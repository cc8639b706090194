#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <sstream>

#include "ComObject.h"
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

// A dispatch call in the neutral locale.
HRESULT invoke(const ComPtr<IDispatch>& dispatch, DISPID id, WORD flags, DISPPARAMS* params,
               VARIANT* result = nullptr, EXCEPINFO* exception = nullptr, UINT* argError = nullptr,
               REFIID iid = IID_NULL) {
    return dispatch->Invoke(id, iid, 0, flags, params, result, exception, argError);
}

template <class T>
void printElements(std::ostream& out, SAFEARRAY* array) {
    void* data = nullptr;
    SafeArrayAccessData(array, &data);
    for (ULONG i = 0; i < array->rgsabound[0].cElements; ++i)
        out << " " << +static_cast<T*>(data)[i];
    SafeArrayUnaccessData(array);
}

// A metadata value as its variant type and what it holds.
std::string shown(const VARIANT& v) {
    std::ostringstream out;
    if (v.vt == VT_EMPTY) out << "EMPTY";
    if (v.vt == VT_I4) out << "I4 " << v.lVal;
    if (v.vt == VT_I8) out << "I8 " << v.llVal;
    if (v.vt == VT_R8) out << "R8 " << v.dblVal;
    if (v.vt == VT_BSTR) out << "BSTR " << utf8(v.bstrVal);
    if (v.vt == (VT_ARRAY | VT_UI1))
        out << "UI1[", printElements<uint8_t>(out, v.parray), out << "]";
    if (v.vt == (VT_ARRAY | VT_UI2))
        out << "UI2[", printElements<uint16_t>(out, v.parray), out << "]";
    if (v.vt == (VT_ARRAY | VT_R8)) out << "R8[", printElements<double>(out, v.parray), out << "]";
    return out.str();
}

// A container site with an ambient display name, and a sink that counts notifications.
class Site final : public ComObject<Site, IOleClientSite, IDispatch, IAdviseSink> {
  public:
    ComString displayName;
    int dataChanges = 0;
    int viewChanges = 0;

    void* interfaceFor(REFIID riid) {
        if (riid == IID_IUnknown || riid == IID_IOleClientSite)
            return static_cast<IOleClientSite*>(this);
        if (riid == IID_IDispatch) return static_cast<IDispatch*>(this);
        return riid == IID_IAdviseSink ? static_cast<IAdviseSink*>(this) : nullptr;
    }
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

TEST(Control, ANewControlKeepsFilesOpenHasAnEmptyNameAndNoImageUntilItIsGivenOne) {
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

    Image image;
    ASSERT_EQ(control->put_Filename(bstr(image.path).get()), S_OK);
    ASSERT_EQ(control->StatusOK(&ok), S_OK);
    EXPECT_EQ(ok, VARIANT_TRUE);
    TevColorSpace space = TEV_UNKNOWN;
    TevSpatialUnit unit = TEV_INCH;
    double height = 0;
    EXPECT_EQ(control->GetColorSpace(0, &space), S_OK);
    EXPECT_EQ(control->GetUnit(0, &unit), S_OK);
    EXPECT_EQ(control->GetWidth(0, &width), S_OK);
    EXPECT_EQ(control->GetHeight(0, &height), S_OK);
    EXPECT_EQ(space, TEV_RGB);
    // PPM images measure their extent in heights.
    EXPECT_EQ(unit, TEV_ARBITRARY);
    EXPECT_DOUBLE_EQ(width, 1.5);
    EXPECT_EQ(height, 1.0);

    const std::string graph = image.dir + "/graph.txt";
    ASSERT_EQ(control->DumpGraph(bstr(graph).get()), S_OK);
    EXPECT_NE(readFileBytes(graph).find("ZynPpmImageSource status OK"), std::string::npos);
    EXPECT_EQ(control->DumpGraph(bstr("/nonexistent/dir/x").get()), E_FAIL);
    EXPECT_EQ(takeError().help, 32u);
}

TEST(Control, CachingAskedBeforeAFileOpensHoldsForEveryFileAfter) {
    Image image;
    writePpm(image.dir + "/other.ppm", 9, 9, fixturePattern(9, 9, 3));
    auto control = newControl();
    ASSERT_EQ(control->put_Caching(VARIANT_TRUE), S_OK);
    VARIANT_BOOL caching = VARIANT_FALSE;
    for (const std::string& path : {image.path, image.dir + "/other.ppm"}) {
        control->put_Filename(bstr(path).get());
        ASSERT_EQ(control->GetCaching(0, &caching), S_OK);
        EXPECT_EQ(caching, VARIANT_TRUE) << path;
    }
    ASSERT_EQ(control->SetCaching(0, VARIANT_FALSE), S_OK);
    control->GetCaching(0, &caching);
    EXPECT_EQ(caching, VARIANT_FALSE);
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
    expectFailure(query<ITevZynWrapper2>(control, IID_ITevZynWrapper2)
                      ->GetZynTransform(static_cast<ZynTransform**>(readOnly)),
                  E_POINTER, bad, 6);
    // A double that starts on a mapped page and runs into an unmapped one.
    char* gap = pageBeforeAGap();
    expectFailure(control->GetWidth(0, reinterpret_cast<double*>(gap + 4092)), E_POINTER, bad, 6);
    releasePage(gap);
}

// Output and resolution indexes out of range are in the client's failure table.
TEST(Control, CachingIndexesOutOfRangeAreInvalidButAFailingImageIsAPlainFailure) {
    Image image;
    auto control = openControl(image.path);
    VARIANT_BOOL caching;
    EXPECT_EQ(control->GetCaching(-1, &caching), E_INVALIDARG);
    EXPECT_EQ(takeError().help, 34u);
    EXPECT_EQ(control->SetCaching(1, VARIANT_TRUE), E_INVALIDARG);
    EXPECT_EQ(takeError().help, 34u);
    auto broken = openControl(image.dir + "/missing.ppm");
    LONG width = 0;
    expectFailure(broken->GetHorzResolution(0, 99, &width), E_FAIL,
                  "Failed to open the given file: " + image.dir + "/missing.ppm", 3);
    VARIANT_BOOL ok = VARIANT_TRUE;
    EXPECT_EQ(broken->StatusOK(&ok), S_OK);
    EXPECT_EQ(ok, VARIANT_FALSE);
    EXPECT_EQ(broken->SetCaching(0, VARIANT_TRUE), S_OK);
}

TEST(Control, ExceptionsThatAreNotFrameworkErrorsGiveTheMethodsFixedMessage) {
    const std::string path = testDir() + "/throwing.bin";
    writeThrowingFile(path);
    auto control = openControl(path);
    VARIANT_BOOL ok;
    expectFailure(control->StatusOK(&ok), E_FAIL,
                  "Received a Non-ZynError exception while calling StatusOK().", 1);
}

TEST(Control, KeepImageFileOpenIsTrueOnlyForMinusOneAndReachesTheSource) {
    Image image;
    auto control = openControl(image.path);
    auto files = query<ITevFileMgmt>(control, IID_ITevFileMgmt);
    ZynTransform& transform = transformOf(control);
    const struct {
        VARIANT_BOOL put, read;
        int descriptors;
    } cases[] = {{1, VARIANT_FALSE, 0}, {VARIANT_TRUE, VARIANT_TRUE, 1}};
    for (const auto& c : cases) {
        VARIANT_BOOL keep = !c.read;
        ASSERT_EQ(files->put_KeepImageFileOpen(c.put), S_OK);
        files->get_KeepImageFileOpen(&keep);
        EXPECT_EQ(keep, c.read) << c.put;
        renderRect(transform, {60, 40}, {0, 0, 4, 4});
        EXPECT_EQ(openDescriptorsOn(image.path), c.descriptors) << c.put;
    }
}

TEST(Control, LabelAndCachingMarkTheControlDirtyAndTellTheContainerFilenameDoesNot) {
    Image image;
    Site site;  // outlives the control, which holds its view sink to the end
    auto control = newControl();
    auto persist = streamPersistence(control);
    auto data = query<IDataObject>(control, IID_IDataObject);
    DWORD cookie = 0;
    FORMATETC format{};
    data->DAdvise(&format, 0, &site, &cookie);
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
    EXPECT_EQ(data->DUnadvise(cookie), S_OK);
    EXPECT_EQ(data->DUnadvise(cookie), OLE_E_NOCONNECTION);
}

TEST(Control, TheDisplayNameIsTheContainersOrTheInterfaceAddress) {
    auto control = newControl();
    auto view = query<IViewObjectEx>(control, IID_IViewObjectEx);
    auto nameAndDrawing = [&](const OLECHAR* drawn) {
        TestCanvas dc(200, 100);
        RECTL bounds{0, 0, 200, 100};
        EXPECT_EQ(view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, dc.handle(), &bounds,
                             nullptr, nullptr, 0),
                  S_OK);
        EXPECT_TRUE(dc.framed());
        EXPECT_TRUE(dc.showsCentred(drawn));
        ComBstr name;
        EXPECT_EQ(control->ControlName(name.out()), S_OK);
        return utf8(name.get());
    };
    char address[32];
    std::snprintf(address, sizeof address, "0x%" PRIxPTR,
                  reinterpret_cast<uintptr_t>(control.get()));
    EXPECT_EQ(nameAndDrawing(OLESTR("TevAnyFileSource")), address);

    Site site;
    site.displayName = OLESTR("Viewer1");
    auto ole = query<IOleObject>(control, IID_IOleObject);
    ole->SetClientSite(&site);
    ASSERT_EQ(streamPersistence(control)->InitNew(), S_OK);
    TevXformEntry entry;
    ASSERT_TRUE(TevFindXform(query<IUnknown>(control, IID_ITevAnyFileSource).get(), entry));
    EXPECT_EQ(entry.name, OLESTR("Viewer1"));
    site.displayName = OLESTR("Viewer2");
    query<IOleControl>(control, IID_IOleControl)->OnAmbientPropertyChange(DISPID_UNKNOWN);
    TevFindXform(query<IUnknown>(control, IID_ITevAnyFileSource).get(), entry);
    EXPECT_EQ(entry.name, OLESTR("Viewer2"));
    EXPECT_EQ(nameAndDrawing(OLESTR("Viewer2")), "Viewer2");
    ole->SetClientSite(nullptr);
    DWORD status = 0;
    ole->GetMiscStatus(DVASPECT_CONTENT, &status);
    EXPECT_EQ(status, 132497u);
}

TEST(Control, DispatchCallsMembersByNameWithConvertedArgumentsAndRefusesMisfits) {
    Image image;
    auto control = newControl();
    auto dispatch = query<IDispatch>(control, IID_IDispatch);
    LPOLESTR names[] = {const_cast<LPOLESTR>(OLESTR("gethorzresolution")),
                        const_cast<LPOLESTR>(OLESTR("arg"))};
    DISPID ids[2] = {0, 0};
    ASSERT_EQ(dispatch->GetIDsOfNames(IID_NULL, names, 1, 0, ids), S_OK);
    EXPECT_EQ(ids[0], 1023);
    names[0] = const_cast<LPOLESTR>(OLESTR("Label"));
    EXPECT_EQ(dispatch->GetIDsOfNames(IID_NULL, names, 2, 0, ids), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(ids[0], DISPID_TEV_LABEL);
    EXPECT_EQ(ids[1], DISPID_UNKNOWN);
    names[0] = const_cast<LPOLESTR>(OLESTR("NoSuchMember"));
    EXPECT_EQ(dispatch->GetIDsOfNames(IID_NULL, names, 1, 0, ids), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(ids[0], DISPID_UNKNOWN);

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
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    ASSERT_EQ(invoke(dispatch, DISPID_TEV_LABEL, DISPATCH_PROPERTYGET, &none, &result), S_OK);
    EXPECT_EQ(result.vt, VT_BSTR);

    args[0] = scalarVariant(VT_I4, 7);
    EXCEPINFO exception{};
    EXPECT_EQ(invoke(dispatch, 1023, DISPATCH_METHOD, &call, &result, &exception),
              DISP_E_EXCEPTION);
    EXPECT_EQ(exception.scode, E_INVALIDARG);
    EXPECT_EQ(exception.dwHelpContext, 35u);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrHelpFile);

    ComVariant list;
    list.vt = VT_ARRAY | VT_I4;
    list.parray = SafeArrayCreateVector(VT_I4, 0, 1);
    DISPPARAMS wrongType{&list, &put, 1, 1};
    UINT argError = 99;
    EXPECT_EQ(invoke(dispatch, DISPID_TEV_CACHING, DISPATCH_PROPERTYPUT, &wrongType, nullptr,
                     nullptr, &argError),
              DISP_E_TYPEMISMATCH);
    EXPECT_EQ(argError, 0u);
    DISPID wrongName = 5;
    DISPPARAMS misnamed{&file, &wrongName, 1, 1};
    const GUID other = {1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}};
    const struct {
        DISPID id;
        WORD flags;
        DISPPARAMS* params;
        REFIID iid;
        HRESULT result;
    } refusals[] = {
        {DISPID_TEV_LABEL, DISPATCH_PROPERTYPUT, &misnamed, IID_NULL, DISP_E_PARAMNOTFOUND},
        {DISPID_TEV_LABEL, DISPATCH_PROPERTYGET, &none, other, DISP_E_UNKNOWNINTERFACE},
        {1023, DISPATCH_METHOD, &none, IID_NULL, DISP_E_BADPARAMCOUNT},
        {999, DISPATCH_METHOD, &none, IID_NULL, DISP_E_MEMBERNOTFOUND},
    };
    for (const auto& r : refusals)
        EXPECT_EQ(invoke(dispatch, r.id, r.flags, r.params, &result, nullptr, nullptr, r.iid),
                  r.result)
            << r.id;
}

TEST(Control, MetadataComesFromTheSourceInVariantsAndArgumentsAreChecked) {
    VulMetaDataRegistry::instance().clear();
    const std::string dir = testDir();
    writeMetadataFile(dir + "/meta.bin");
    auto control = openControl(dir + "/meta.bin");
    auto meta = query<IQORMetaDataRead>(control, IID_IQORMetaDataRead);
    auto read = [&](const std::string& key) {
        ComVariant value;
        EXPECT_EQ(meta->GetMetaData(bstr(key).get(), &value), S_OK) << key;
        return shown(value);
    };
    const std::pair<const char*, const char*> values[] = {
        {"Test.Text", "BSTR h\xc3\xa9llo"}, {"Test.Int", "I4 42"},
        {"Test.Big", "I8 1099511627776"},   {"Test.Real", "R8 2.5"},
        {"Test.Bytes", "UI1[ 1 2 3]"},      {"Test.Shorts", "UI2[ 500 65535]"},
        {"Test.Reals", "R8[ 0.5 -1]"},      {"Test.None", "UI1[]"},
        {"Test.Absent", "EMPTY"},
    };
    for (const auto& [key, value] : values) EXPECT_EQ(read(key), value);

    ComVariant value;
    ComBstr key = bstr("Test.Text");
    expectFailure(meta->GetMetaData(nullptr, &value), E_POINTER, "Bad argument passed in.", 5);
    expectFailure(meta->GetMetaData(key.get(), nullptr), E_POINTER, "Bad pointer passed in.", 6);
    expectFailure(meta->LoadMetaDataRegistryFile(nullptr, VUL_MMA_DEFAULT), E_POINTER,
                  "Bad argument passed in.", 5);
    EXPECT_EQ(meta->LoadMetaDataRegistryFile(bstr(dir + "/none.txt").get(), VUL_MMA_DEFAULT),
              E_FAIL);
    EXPECT_EQ(takeError().help, 71u);
    LONG usage = 0;
    expectFailure(meta->GetMetaDataUsage(key.get(), &usage), E_FAIL,
                  "The metadata key \"Test.Text\" is not registered", 75);

    writeFile(dir + "/registry.txt", "Test.Text read|persist\n");
    writeFile(dir + "/aliases.txt", "Greeting = Test.Text\n");
    ASSERT_EQ(meta->LoadMetaDataRegistryFile(bstr(dir + "/registry.txt").get(), VUL_MMA_DEFAULT),
              S_OK);
    ASSERT_EQ(meta->LoadMetaDataRegistryFile(bstr(dir + "/aliases.txt").get(), VUL_MMA_ALIAS_FILE),
              S_OK);
    ComBstr greeting = bstr("Greeting");
    ASSERT_EQ(meta->GetMetaDataUsage(greeting.get(), &usage), S_OK);
    EXPECT_EQ(usage, 5);
    EXPECT_EQ(read("Greeting"), "BSTR h\xc3\xa9llo");
    EXPECT_EQ(meta->ClearMetaDataRegistry(), S_OK);
    EXPECT_EQ(meta->GetMetaDataUsage(greeting.get(), &usage), E_FAIL);
    EXPECT_EQ(meta->GetSupportedMetaData(&value), E_NOTIMPL);
    ComBstr alias;
    EXPECT_EQ(meta->GetAliasKey(VUL_METADATA_PERSIST_ALIAS, alias.out()), E_NOTIMPL);
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

// A control is in the control table for its life.
TEST(Control, TheServerStaysLoadedWhileObjectsLiveOrItIsLocked) {
    const long before = TevServerLockCount();
    IUnknown* gone = nullptr;
    TevXformEntry entry;
    {
        auto control = newControl();
        gone = query<IUnknown>(control, IID_ITevAnyFileSource).get();
        EXPECT_TRUE(TevFindXform(gone, entry));
        EXPECT_EQ(TevServerLockCount(), before + 1);
        EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
    }
    EXPECT_FALSE(TevFindXform(gone, entry));
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
