#include <gtest/gtest.h>

#include <cstring>

#include "ComObject.h"
#include "ComTestHelpers.h"
#include "ControlTestSupport.h"
#include "TestSupport.h"
#include "TevXforms.h"

namespace {

const CLSID kCounterClass = {
    0x6C1D1E55, 0x2A49, 0x4D0B, {0x9E, 0x31, 0x5B, 0x22, 0x70, 0x8F, 0x14, 0xC3}};

// A persistable object holding one number: what hosts put into tramp data as an object. It is
// its own class object too.
class Counter final : public ComObject<Counter, IPersistStream, IDispatch, IClassFactory> {
  public:
    int32_t value = 0;
    void* interfaceFor(REFIID riid) {
        if (riid == IID_IUnknown || riid == IID_IPersist || riid == IID_IPersistStream)
            return static_cast<IPersistStream*>(this);
        if (riid == IID_IClassFactory) return static_cast<IClassFactory*>(this);
        return riid == IID_IDispatch ? static_cast<IDispatch*>(this) : nullptr;
    }
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* id) override {
        *id = kCounterClass;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE IsDirty() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Load(IStream* stream) override {
        ULONG got = 0;
        stream->Read(&value, 4, &got);
        return got == 4 ? S_OK : STG_E_READFAULT;
    }
    HRESULT STDMETHODCALLTYPE Save(IStream* stream, BOOL) override {
        return stream->Write(&value, 4, nullptr);
    }
    HRESULT STDMETHODCALLTYPE GetSizeMax(ULARGE_INTEGER* size) override {
        size->QuadPart = 4;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown*, REFIID riid, void** ppv) override {
        Counter* counter = new Counter;
        const HRESULT hr = counter->QueryInterface(riid, ppv);
        counter->Release();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
    COM_STUB(GetTypeInfoCount, UINT*)
    COM_STUB(GetTypeInfo, UINT, LCID, ITypeInfo**)
    COM_STUB(GetIDsOfNames, REFIID, LPOLESTR*, UINT, LCID, DISPID*)
    COM_STUB(Invoke, DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*)
};

// Registers the counter class for the life of a test.
struct CounterClass {
    DWORD cookie = 0;
    ComPtr<IClassFactory> factory{new Counter};
    CounterClass() {
        CoRegisterClassObject(kCounterClass, factory.get(), CLSCTX_INPROC_SERVER,
                              REGCLS_MULTIPLEUSE, &cookie);
    }
    ~CounterClass() { CoRevokeClassObject(cookie); }
};

// A stream that takes `room` bytes and then fails.
class FullStream final : public ComObject<FullStream, IStream> {
  public:
    explicit FullStream(ULONG room) : room_(room) {}
    void* interfaceFor(REFIID riid) { return riid == IID_IStream ? this : nullptr; }
    COM_STUB(Read, void*, ULONG, ULONG*)
    HRESULT STDMETHODCALLTYPE Write(const void*, ULONG cb, ULONG* written) override {
        const ULONG taken = std::min(cb, room_);
        room_ -= taken;
        if (written) *written = taken;
        return taken == cb ? S_OK : STG_E_MEDIUMFULL;
    }
    HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Revert() override { return S_OK; }
    COM_STUB(Seek, LARGE_INTEGER, DWORD, ULARGE_INTEGER*)
    COM_STUB(SetSize, ULARGE_INTEGER)
    COM_STUB(CopyTo, IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*)
    COM_STUB(LockRegion, ULARGE_INTEGER, ULARGE_INTEGER, DWORD)
    COM_STUB(UnlockRegion, ULARGE_INTEGER, ULARGE_INTEGER, DWORD)
    COM_STUB(Stat, STATSTG*, DWORD)
    COM_STUB(Clone, IStream**)

  private:
    ULONG room_;
};

std::string saved(const ComPtr<ITevAnyFileSource>& control) {
    ComPtr<IStream> stream(SHCreateMemStream(nullptr, 0));
    EXPECT_EQ(streamPersistence(control)->Save(stream.get(), TRUE), S_OK);
    return streamBytes(stream.get());
}

HRESULT load(const ComPtr<ITevAnyFileSource>& control, const std::string& bytes) {
    ComPtr<IStream> stream(SHCreateMemStream(reinterpret_cast<const BYTE*>(bytes.data()),
                                             static_cast<UINT>(bytes.size())));
    return streamPersistence(control)->Load(stream.get());
}

std::string u32Bytes(uint32_t v) {
    return std::string(reinterpret_cast<const char*>(&v), 4);
}

// A string as the stream holds it.
std::string stringBytes(const ComString& text) {
    return u32Bytes(static_cast<uint32_t>(text.size() * 2 + 2)) +
           std::string(reinterpret_cast<const char*>(text.c_str()), text.size() * 2 + 2);
}

std::string variantBytes(VARTYPE vt, const std::string& value) {
    return std::string(reinterpret_cast<const char*>(&vt), 2) + value;
}

std::string textBytes(const ComString& text) {
    return variantBytes(VT_BSTR, stringBytes(text));
}

std::string flagBytes(bool on) {
    return variantBytes(VT_BOOL, on ? std::string("\xff\xff", 2) : std::string(2, '\0'));
}

// A null string property.
const std::string kNoText = variantBytes(VT_BSTR, u32Bytes(0));

std::string guidBytes(const GUID& guid) {
    return std::string(reinterpret_cast<const char*>(&guid), 16);
}

}  // namespace

TEST(Persist, SavedBytesFollowTheLayoutFieldByField) {
    auto control = newControl();
    control->put_Label(bstr("Lab").get());
    control->put_Caching(VARIANT_TRUE);
    control->put_Filename(bstr("/x/a.ppm").get());
    query<ITevFileMgmt>(control, IID_ITevFileMgmt)->put_KeepImageFileOpen(VARIANT_FALSE);
    setTramp(control, "b", scalarVariant(VT_I4, 7));
    setTramp(control, "a", textVariant("x"));

    // The tramp block (head, version, count, keys in order), the version and four properties
    // in their variants, the identity.
    const std::string bytes = saved(control);
    const GUID identity = identityOf(control);
    EXPECT_EQ(bytes, "BASE" + u32Bytes(1) + u32Bytes(2) + stringBytes(OLESTR("a")) +
                         textBytes(OLESTR("x")) + stringBytes(OLESTR("b")) +
                         variantBytes(VT_I4, u32Bytes(7)) + u32Bytes(2) + textBytes(OLESTR("Lab")) +
                         flagBytes(true) + textBytes(OLESTR("/x/a.ppm")) + flagBytes(false) +
                         guidBytes(identity));

    ULARGE_INTEGER size{};
    ASSERT_EQ(streamPersistence(control)->GetSizeMax(&size), S_OK);
    EXPECT_EQ(size.QuadPart, bytes.size());
    EXPECT_EQ(streamPersistence(control)->GetSizeMax(nullptr), E_POINTER);
    // Saving leaves the control as dirty as it was.
    EXPECT_EQ(streamPersistence(control)->IsDirty(), S_OK);

    // Without tramp data: the block head, the version, four properties and the identity.
    EXPECT_EQ(saved(newControl()).size(), 12u + 4 + 8 + 4 + 8 + 4 + 16);
}

TEST(Persist, OlderAndShorterStreamsLoad) {
    const GUID identity = {0x11111111, 0x2222, 0x3333, {4, 4, 4, 4, 4, 4, 4, 4}};
    // Version 1, no block: no KeepImageFileOpen, which stays true.
    const std::string v1 = u32Bytes(1) + textBytes(OLESTR("v1")) + flagBytes(true) +
                           textBytes(OLESTR("/f.ppm")) + guidBytes(identity);
    auto control = newControl();
    ASSERT_EQ(load(control, v1), S_OK);
    EXPECT_EQ(labelOf(control), "v1");
    VARIANT_BOOL keep = VARIANT_FALSE, caching = VARIANT_FALSE;
    query<ITevFileMgmt>(control, IID_ITevFileMgmt)->get_KeepImageFileOpen(&keep);
    control->get_Caching(&caching);
    EXPECT_EQ(keep, VARIANT_TRUE);
    EXPECT_EQ(caching, VARIANT_TRUE);
    EXPECT_EQ(identityOf(control), identity);
    TevXformEntry entry;
    ASSERT_TRUE(TevFindXform(query<IUnknown>(control, IID_ITevAnyFileSource).get(), entry));
    EXPECT_EQ(entry.identity, identity);
    // The puts made by the load mark it for saving.
    EXPECT_EQ(streamPersistence(control)->IsDirty(), S_OK);

    // Version 2 without the block, and a block of a later version whose content is skipped.
    const std::string v2 =
        u32Bytes(2) + kNoText + flagBytes(false) + kNoText + flagBytes(false) + guidBytes(identity);
    EXPECT_EQ(load(newControl(), v2), S_OK);
    EXPECT_EQ(load(newControl(), "BASE" + u32Bytes(9) + v2), S_OK);
}

TEST(Persist, NewIdentitiesAreWrittenOrKeptAsAsked) {
    auto control = newControl();
    const GUID own = identityOf(control);
    GUID olds[3] = {}, news[3] = {};
    ComVariant oldList, newList;
    oldList.byref = olds;
    newList.byref = news;
    ComPtr<IStream> stream(SHCreateMemStream(nullptr, 0));
    auto identity = query<IQORPersistWithNewIdentity2>(control, IID_IQORPersistWithNewIdentity2);
    ASSERT_EQ(identity->SaveWithNewIdentity(stream.get(), TRUE, &oldList, &newList, 1), S_OK);
    EXPECT_EQ(olds[1], own);
    EXPECT_NE(news[1], own);
    EXPECT_NE(news[1], GUID_NULL);
    EXPECT_EQ(identityOf(control), own);

    LARGE_INTEGER start{};
    stream->Seek(start, STREAM_SEEK_SET, nullptr);
    auto loaded = newControl();
    ASSERT_EQ(streamPersistence(loaded)->Load(stream.get()), S_OK);
    EXPECT_EQ(identityOf(loaded), news[1]);

    stream->Seek(start, STREAM_SEEK_SET, nullptr);
    auto copy = newControl();
    const GUID copyOwn = identityOf(copy);
    GUID reads[2] = {}, owns[2] = {};
    ComVariant readList, ownList;
    readList.byref = reads;
    ownList.byref = owns;
    ASSERT_EQ(query<IQORPersistWithNewIdentity2>(copy, IID_IQORPersistWithNewIdentity2)
                  ->LoadWithNewIdentity(stream.get(), &readList, &ownList, 0),
              S_OK);
    EXPECT_EQ(reads[0], news[1]);
    EXPECT_EQ(owns[0], copyOwn);
    EXPECT_EQ(identityOf(copy), copyOwn);
    EXPECT_EQ(identity->SaveWithNewIdentity(stream.get(), TRUE, nullptr, &newList, 0), E_POINTER);
}

TEST(Persist, TrampDataOfEveryVariantTypeRoundTrips) {
    CounterClass counterClass;
    auto control = newControl();
    // Values held in the variant itself; null strings and objects are all zero bits.
    const struct {
        VARTYPE vt;
        int64_t bits;
        size_t bytes;
    } scalars[] = {{VT_I1, -5, 1},
                   {VT_UI1, 250, 1},
                   {VT_I2, -30000, 2},
                   {VT_UI2, 65000, 2},
                   {VT_BOOL, -1, 2},
                   {VT_I4, -123456789, 4},
                   {VT_UI4, 4000000000, 4},
                   {VT_INT, 77, 4},
                   {VT_UINT, 78, 4},
                   {VT_ERROR, static_cast<int64_t>(0x80004005), 4},
                   {VT_I8, INT64_MIN, 8},
                   {VT_UI8, -1, 8},
                   {VT_CY, 123456789, 8},
                   {VT_R4, 0x3FC00000, 4},
                   {VT_R8, 0x400921FB54442D18, 8},
                   {VT_DATE, 0x40E5F54000000000, 8},
                   {VT_EMPTY, 0, 0},
                   {VT_NULL, 0, 0},
                   {VT_BSTR, 0, sizeof(void*)},
                   {VT_UNKNOWN, 0, sizeof(void*)}};
    for (const auto& s : scalars)
        setTramp(control, "scalar" + std::to_string(s.vt), scalarVariant(s.vt, s.bits));
    ComVariant text, decimal, object, dispatch;
    text.vt = VT_BSTR;
    const OLECHAR withZero[] = {OLESTR('a'), 0, OLESTR('\u00e9')};
    text.bstrVal = SysAllocStringLen(withZero, 3);
    const ComVariant decimalText = textVariant("-12.3400");
    ASSERT_EQ(VariantChangeType(&decimal, &decimalText, 0, VT_DECIMAL), S_OK);
    Counter* counter = new Counter;
    counter->value = 4242;
    object.vt = VT_UNKNOWN;
    object.punkVal = static_cast<IPersistStream*>(counter);
    dispatch.vt = VT_DISPATCH;
    counter->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch.pdispVal));
    for (auto [key, value] : {std::pair<const char*, VARIANT*>{"text", &text},
                              {"decimal", &decimal},
                              {"object", &object},
                              {"dispatch", &dispatch}})
        setTramp(control, key, *value);

    auto loaded = newControl();
    ASSERT_EQ(load(loaded, saved(control)), S_OK);
    for (const auto& s : scalars) {
        const ComVariant v = tramp(loaded, "scalar" + std::to_string(s.vt));
        EXPECT_EQ(v.vt, s.vt);
        EXPECT_EQ(std::memcmp(&v.llVal, &s.bits, s.bytes), 0) << s.vt;
    }
    const ComVariant t = tramp(loaded, "text");
    ASSERT_EQ(t.vt, VT_BSTR);
    EXPECT_EQ(ComBstr::copyOf(t.bstrVal).text(), ComString(withZero, 3));
    const ComVariant d = tramp(loaded, "decimal");
    ASSERT_EQ(d.vt, VT_DECIMAL);
    EXPECT_EQ(d.decVal.scale, 4);
    EXPECT_EQ(d.decVal.sign, DECIMAL_NEG);
    EXPECT_EQ(d.decVal.Lo64, 123400u);
    for (const auto& [key, vt] :
         {std::pair{"object", VT_UNKNOWN}, std::pair{"dispatch", VT_DISPATCH}}) {
        const ComVariant o = tramp(loaded, key);
        EXPECT_EQ(o.vt, vt);
        ASSERT_TRUE(o.punkVal) << key;
        EXPECT_NE(o.punkVal, object.punkVal);
        ComPtr<IPersistStream> persist;
        o.punkVal->QueryInterface(IID_IPersistStream, persist.outVoid());
        EXPECT_EQ(static_cast<Counter*>(persist.get())->value, 4242);
    }
}

TEST(Persist, ValuesThatCannotBeReadBackAndFullStreamsFailTheSave) {
    auto control = newControl();
    ComVariant array;
    array.vt = VT_ARRAY | VT_BSTR;
    array.parray = SafeArrayCreateVector(VT_BSTR, 0, 1);
    setTramp(control, "list", array);
    ComPtr<IStream> stream(SHCreateMemStream(nullptr, 0));
    auto persist = streamPersistence(control);
    EXPECT_EQ(persist->Save(stream.get(), TRUE), DISP_E_BADVARTYPE);
    const ErrorRecord record = takeError();
    EXPECT_EQ(record.description, "Unable to write to persistance stream");
    EXPECT_EQ(record.help, 7u);

    auto plain = newControl();
    const size_t size = saved(plain).size();
    const auto last = static_cast<ULONG>(size);
    for (const ULONG room : std::initializer_list<ULONG>{0, 3, 12, 20, last - 16, last - 1}) {
        ComPtr<IStream> full(new FullStream(room));
        EXPECT_EQ(streamPersistence(plain)->Save(full.get(), TRUE), STG_E_MEDIUMFULL) << room;
        EXPECT_EQ(takeError().description, "Unable to write to persistance stream");
    }
}

TEST(Persist, EveryTruncationOfAStreamFailsCleanly) {
    CounterClass counterClass;
    auto control = newControl();
    control->put_Label(bstr("label").get());
    control->put_Filename(bstr("/some/file.ppm").get());
    ComVariant object;
    object.vt = VT_UNKNOWN;
    object.punkVal = static_cast<IPersistStream*>(new Counter);
    setTramp(control, "n", scalarVariant(VT_R8, 0x3FF8000000000000));
    setTramp(control, "o", object);
    setTramp(control, "t", textVariant("value"));
    const std::string bytes = saved(control);
    ASSERT_EQ(load(newControl(), bytes), S_OK);
    for (size_t n = 0; n < bytes.size(); ++n) {
        auto target = newControl();
        const HRESULT hr = load(target, bytes.substr(0, n));
        EXPECT_TRUE(FAILED(hr)) << n;
        EXPECT_EQ(takeError().help, 7u) << n;
    }
}

// A second save replaces the first one's stream.
TEST(Persist, StoragesKeepTheControlInTheirContentsStream) {
    auto control = newControl();
    ComPtr<IStorage> storage;
    ASSERT_EQ(ComCreateMemoryStorage(storage.out()), S_OK);
    for (const char* label : {"a longer first label", "in storage"}) {
        control->put_Label(bstr(label).get());
        ASSERT_EQ(query<IPersistStorage>(control, IID_IPersistStorage)->Save(storage.get(), TRUE),
                  S_OK);
    }
    ComPtr<IStream> contents;
    ASSERT_EQ(storage->OpenStream(OLESTR("Contents"), nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0,
                                  contents.out()),
              S_OK);
    contents.reset();
    auto loaded = newControl();
    ASSERT_EQ(query<IPersistStorage>(loaded, IID_IPersistStorage)->Load(storage.get()), S_OK);
    EXPECT_EQ(labelOf(loaded), "in storage");
    ComPtr<IStorage> bare;
    ComCreateMemoryStorage(bare.out());
    EXPECT_EQ(query<IPersistStorage>(newControl(), IID_IPersistStorage)->Load(bare.get()),
              STG_E_FILENOTFOUND);
}

TEST(TrampData, KeysAreOrderedAndComparedCaseSensitively) {
    auto control = newControl();
    auto data = query<ITevTrampData>(control, IID_ITevTrampData);
    const ComVariant one = scalarVariant(VT_I4, 1), two = scalarVariant(VT_I4, 2);
    setTramp(control, "a", one);
    setTramp(control, "a", two);
    setTramp(control, "A", one);
    setTramp(control, "b", one);
    EXPECT_EQ(tramp(control, "a").lVal, 2);
    EXPECT_EQ(tramp(control, "A").lVal, 1);

    ComVariant names;
    ASSERT_EQ(data->GetTrampDataKeyNames(&names), S_OK);
    ASSERT_EQ(names.vt, VT_ARRAY | VT_BSTR);
    ASSERT_EQ(names.parray->rgsabound[0].cElements, 3u);
    EXPECT_EQ(names.parray->rgsabound[0].lLbound, 0);
    std::vector<ComBstr> keys(3);
    for (LONG i = 0; i < 3; ++i) SafeArrayGetElement(names.parray, &i, keys[i].out());
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(VarBstrCmp(keys[i].get(), keys[i + 1].get(), LOCALE_USER_DEFAULT, 0), VARCMP_LT);

    ComBstr absent = bstr("z"), a = bstr("a");
    ComVariant untouched = scalarVariant(VT_I4, 99);
    EXPECT_EQ(data->GetTrampData(absent.get(), &untouched), E_INVALIDARG);
    EXPECT_EQ(untouched.lVal, 99);
    EXPECT_EQ(data->ClearTrampDataKey(absent.get()), S_FALSE);
    EXPECT_EQ(data->ClearTrampDataKey(a.get()), S_OK);
    VARIANT_BOOL contains = VARIANT_TRUE;
    data->ContainsKey(a.get(), &contains);
    EXPECT_EQ(contains, VARIANT_FALSE);

    // A null key is a key like the empty one.
    setTramp(control, "", one);
    data->ContainsKey(nullptr, &contains);
    EXPECT_EQ(contains, VARIANT_TRUE);
    EXPECT_EQ(data->ClearTrampData(), S_OK);
    VariantClear(&names);
    ASSERT_EQ(data->GetTrampDataKeyNames(&names), S_OK);
    EXPECT_EQ(names.parray->rgsabound[0].cElements, 0u);
    // Tramp data is no change of the control.
    EXPECT_EQ(streamPersistence(control)->IsDirty(), S_FALSE);
}

TEST(Persist, UnreadableStreamsFailTheLoadAndAControlLoadsOnlyOnce) {
    const std::string guid(16, '\x01');
    const std::string label = textBytes(OLESTR("kept"));
    const std::string rest = flagBytes(false) + kNoText + flagBytes(false) + guid;
    ASSERT_EQ(load(newControl(), u32Bytes(2) + label + rest), S_OK);
    const struct {
        const char* what;
        std::string bytes;
        HRESULT result;
    } cases[] = {
        {"unknown version", u32Bytes(3) + guid, E_FAIL},
        {"text for a flag", u32Bytes(2) + label + textBytes(OLESTR("maybe")) + guid, E_FAIL},
        {"odd byte count", u32Bytes(2) + variantBytes(VT_BSTR, u32Bytes(3) + "abc") + rest,
         STG_E_READFAULT},
        {"no terminator", u32Bytes(2) + variantBytes(VT_BSTR, u32Bytes(2) + "ab") + rest,
         STG_E_READFAULT},
        {"array", u32Bytes(2) + variantBytes(VT_ARRAY | VT_I4, u32Bytes(0)) + rest,
         STG_E_READFAULT},
        {"length past the end",
         u32Bytes(2) + variantBytes(VT_BSTR, u32Bytes(0xFFFFFFF0u)) + "short" + rest,
         STG_E_READFAULT},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(load(newControl(), c.bytes), c.result) << c.what;
        const ErrorRecord record = takeError();
        EXPECT_EQ(record.description, "Unable to read from persistance stream") << c.what;
        EXPECT_EQ(record.help, 7u) << c.what;
        EXPECT_EQ(record.iid, IID_ITevAnyFileSource) << c.what;
    }
    // What was put before the bad value stays, and a control that failed to load loads no more.
    auto partial = newControl();
    EXPECT_EQ(load(partial, cases[1].bytes), E_FAIL);
    EXPECT_EQ(labelOf(partial), "kept");
    EXPECT_EQ(load(partial, saved(newControl())), E_UNEXPECTED);
    // Nor does one loaded or initialised.
    auto fresh = newControl();
    ASSERT_EQ(streamPersistence(fresh)->InitNew(), S_OK);
    EXPECT_EQ(streamPersistence(fresh)->InitNew(), E_UNEXPECTED);
    EXPECT_EQ(load(fresh, saved(newControl())), E_UNEXPECTED);

    // An object whose class this process cannot create.
    const std::string object = variantBytes(VT_UNKNOWN, std::string(15, '\x07') + "\x08");
    EXPECT_EQ(load(newControl(), "BASE" + u32Bytes(1) + u32Bytes(1) + stringBytes(OLESTR("k")) +
                                     object + u32Bytes(2) + label + rest),
              REGDB_E_CLASSNOTREG);
}
