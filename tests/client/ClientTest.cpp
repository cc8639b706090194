// A host's view of the server: it knows the ProgID and the interfaces, registers the server
// with the host program, and reaches the control only through the system's activation.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "../control/ComTestHelpers.h"
#include "FpxFixture.h"
#include "J2kFixture.h"
#include "JpegFixture.h"
#include "PngFixture.h"
#include "PpmFixture.h"
#include "QorSystem.h"
#include "TestSupport.h"
#include "TiffFixture.h"

namespace {

const HRESULT comInitialised = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);

// Registers the server as an installer would; on Linux into a store of the test's own.
void registerServer() {
    ASSERT_TRUE(SUCCEEDED(comInitialised));
    qorSetEnvironment("ZYN_COM_REGISTRY", (testDir() + "/registry.reg").c_str());
    const CommandResult r = runProgram(ANYIMAGE_EXE, {"register"});
    ASSERT_EQ(r.status, 0) << r.out << r.err;
}

ComPtr<ITevAnyFileSource> createByProgId() {
    CLSID clsid{};
    EXPECT_EQ(CLSIDFromProgID(OLESTR("TevAnyFileSource.TevAnyFileSource"), &clsid), S_OK);
    EXPECT_EQ(clsid, CLSID_TevAnyFileSource);
    ComPtr<ITevAnyFileSource> control;
    EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_ITevAnyFileSource,
                               control.outVoid()),
              S_OK);
    return control;
}

ComPtr<IStream> globalMemoryStream() {
    ComPtr<IStream> stream;
    EXPECT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, stream.out()), S_OK);
    return stream;
}

// A sample file and the pixels its encoder was given, at the finest and the coarsest level.
struct Written {
    std::string path;
    std::vector<int32_t> finest;
    std::vector<int32_t> coarsest;
    std::vector<ZynResolution> resolutions;
};

template <class T>
std::vector<int32_t> widened(const std::vector<T>& samples) {
    return {samples.begin(), samples.end()};
}

std::vector<int32_t> interleaved(const std::vector<J2kPlane>& planes) {
    std::vector<int32_t> pixels;
    for (size_t i = 0; i < planes[0].samples.size(); ++i)
        for (const J2kPlane& plane : planes) pixels.push_back(plane.samples[i]);
    return pixels;
}

struct Sample {
    const char* name;
    std::function<Written(const std::string& dir)> write;
};

const Sample kSamples[] = {
    {"png16",
     [](const std::string& dir) {
         const PngImage image = pngPattern(29, 17, 6, 16);
         writePng(dir + "/s.png", image);
         return Written{dir + "/s.png", widened(image.samples), {}, {{29, 17}}};
     }},
    {"tiffPyramid",
     [](const std::string& dir) {
         TiffPage full{.width = 80, .height = 60, .samplesPerPixel = 3, .photometric = 2};
         full.compression = 8;
         full.tileWidth = full.tileHeight = 16;
         TiffPage half = full;
         half.width = 40;
         half.height = 30;
         half.subfileType = 1;
         const auto finest = tiffPattern(80, 60, 3, 8), coarsest = tiffPattern(40, 30, 3, 8, 2);
         full.data = packTiffSamples(finest, 80 * 3, 8);
         half.data = packTiffSamples(coarsest, 40 * 3, 8);
         writeTiff(dir + "/s.tif", {full, half});
         return Written{dir + "/s.tif", widened(finest), widened(coarsest), {{80, 60}, {40, 30}}};
     }},
    {"jpeg",
     [](const std::string& dir) {
         JpegFixtureOptions options;
         options.width = 61;
         options.height = 47;
         writeJpeg(dir + "/s.jpg", options);
         const std::string bytes = readFileBytes(dir + "/s.jpg");
         return Written{dir + "/s.jpg",
                        widened(decodeJpegReference(bytes).pixels),
                        widened(decodeJpegReference(bytes, 8).pixels),
                        {{61, 47}, {31, 24}, {16, 12}, {8, 6}}};
     }},
    {"jpeg2000",
     [](const std::string& dir) {
         J2kFixtureOptions options;
         options.levels = 3;
         const auto planes = writeJ2k(dir + "/s.jp2", options);
         return Written{dir + "/s.jp2",
                        interleaved(planes),
                        interleaved(decodeJ2kWithOpenJpeg(dir + "/s.jp2", 2)),
                        {{64, 48}, {32, 24}, {16, 12}}};
     }},
    {"flashPix",
     [](const std::string& dir) {
         FpxFixtureRecipe recipe;
         recipe.tiles = FpxFixtureTiles::JpegSharedTables;
         const FpxFixture fixture = writeFpx(dir + "/s.fpx", recipe);
         return Written{dir + "/s.fpx",
                        widened(expectedFpxPixels(fixture, recipe, 0)),
                        widened(expectedFpxPixels(fixture, recipe, 1)),
                        {{100, 70}, {50, 35}}};
     }},
};

class ClientSample : public ::testing::TestWithParam<Sample> {
  protected:
    static void SetUpTestSuite() { registerServer(); }
};

}  // namespace

TEST_P(ClientSample, AnswersTheSourceQueriesAndItsTransformGivesTheEncodedPixels) {
    const Written sample = GetParam().write(testDir());
    auto control = createByProgId();
    ASSERT_EQ(control->put_Filename(bstr(sample.path).get()), S_OK);
    VARIANT_BOOL ok = VARIANT_FALSE;
    ASSERT_EQ(control->StatusOK(&ok), S_OK);
    ASSERT_EQ(ok, VARIANT_TRUE) << transformOf(control).error().message();
    double width = 0, height = 0;
    LONG count = 0;
    EXPECT_EQ(control->GetWidth(0, &width), S_OK);
    EXPECT_EQ(control->GetHeight(0, &height), S_OK);
    EXPECT_EQ(control->GetNumResolutions(0, &count), S_OK);
    // Extents are in the image's own unit; their ratio is the finest level's.
    EXPECT_NEAR(width / height, double(sample.resolutions[0].width) / sample.resolutions[0].height,
                1e-9);
    ASSERT_EQ(count, static_cast<LONG>(sample.resolutions.size()));
    for (LONG r = 0; r < count; ++r) {
        LONG w = 0, h = 0;
        EXPECT_EQ(control->GetHorzResolution(0, r, &w), S_OK);
        EXPECT_EQ(control->GetVertResolution(0, r, &h), S_OK);
        EXPECT_EQ((ZynResolution{static_cast<uint32_t>(w), static_cast<uint32_t>(h)}),
                  sample.resolutions[r]);
    }
    ZynTransform& transform = transformOf(control);
    const ZynResolution& finest = sample.resolutions.front();
    EXPECT_TRUE(samplesMatch(renderWhole(transform, finest), sample.finest, finest.width));
    if (!sample.coarsest.empty()) {
        const ZynResolution& coarsest = sample.resolutions.back();
        EXPECT_TRUE(
            samplesMatch(renderWhole(transform, coarsest), sample.coarsest, coarsest.width));
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, ClientSample, ::testing::ValuesIn(kSamples),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Client, EveryInterfaceOfTheControlIsOneObject) {
    registerServer();
    auto control = createByProgId();
    const ComPtr<IUnknown> identity = control.query<IUnknown>(IID_IUnknown);
    for (const IID* iid : {&IID_ITevSource,
                           &IID_ITevAnyFileSource,
                           &DIID_ITevAnyFileSourceDisp,
                           &IID_IDispatch,
                           &IID_ITevZynWrapper,
                           &IID_ITevZynWrapper2,
                           &IID_IQORMetaDataRead,
                           &IID_IQORPersistWithNewIdentity,
                           &IID_IQORPersistWithNewIdentity2,
                           &IID_ITevFileMgmt,
                           &IID_ITevTrampData,
                           &IID_ISupportErrorInfo,
                           &IID_IPersistStreamInit,
                           &IID_IPersistStorage,
                           &IID_IOleObject,
                           &IID_IOleControl,
                           &IID_IOleInPlaceObjectWindowless,
                           &IID_IOleInPlaceObject,
                           &IID_IOleWindow,
                           &IID_IOleInPlaceActiveObject,
                           &IID_IViewObjectEx,
                           &IID_IViewObject2,
                           &IID_IViewObject,
                           &IID_IQuickActivate,
                           &IID_IProvideClassInfo2,
                           &IID_IProvideClassInfo,
                           &IID_ISpecifyPropertyPages,
                           &IID_IDataObject}) {
        ComPtr<IUnknown> p = control.query<IUnknown>(*iid);
        ASSERT_TRUE(p);
        EXPECT_EQ(p.query<IUnknown>(IID_IUnknown).get(), identity.get());
    }
    EXPECT_FALSE(control.query<IUnknown>(IID_IStream));
}

// The saved bytes go to $ZYN_SAVED_STATE when it is set, so that the runs on two systems can be
// compared byte for byte; the file is named relative to the working folder for the same reason.
TEST(Client, SavesIntoAGlobalMemoryStreamAndASecondControlLoadsTheSameState) {
    registerServer();
    const std::string dir = testDir();
    std::filesystem::current_path(dir);
    writePpm("state.ppm", 12, 9, fixturePattern(12, 9, 3));
    auto first = createByProgId();
    ASSERT_EQ(streamPersistence(first)->InitNew(), S_OK);
    first->put_Filename(bstr("state.ppm").get());
    first->put_Label(bstr("caf\xc3\xa9 label").get());
    query<ITevFileMgmt>(first, IID_ITevFileMgmt)->put_KeepImageFileOpen(VARIANT_FALSE);
    const struct {
        const char* key;
        ComVariant value;
        std::string text;
    } values[] = {{"count", scalarVariant(VT_I4, 7), "7"},
                  {"ratio", scalarVariant(VT_R8, 0x3FD0000000000000), "0.25"},
                  {"name", textVariant("\xe2\x98\x82 umbrella"), "\xe2\x98\x82 umbrella"}};
    for (const auto& v : values) setTramp(first, v.key, v.value);
    const ComPtr<IStream> stream = globalMemoryStream();
    ASSERT_EQ(streamPersistence(first)->Save(stream.get(), TRUE), S_OK);
    const std::string saved = streamBytes(stream.get());
    // The identity at the end differs from run to run.
    if (const char* out = std::getenv("ZYN_SAVED_STATE"))
        std::ofstream(out, std::ios::binary) << saved.substr(0, saved.size() - sizeof(GUID));

    auto second = createByProgId();
    ASSERT_EQ(streamPersistence(second)->Load(stream.get()), S_OK);
    EXPECT_EQ(filenameOf(second), "state.ppm");
    EXPECT_EQ(labelOf(second), "caf\xc3\xa9 label");
    VARIANT_BOOL flag = VARIANT_TRUE;
    query<ITevFileMgmt>(second, IID_ITevFileMgmt)->get_KeepImageFileOpen(&flag);
    EXPECT_EQ(flag, VARIANT_FALSE);
    second->StatusOK(&flag);
    EXPECT_EQ(flag, VARIANT_TRUE);
    for (const auto& v : values) {
        ComVariant back = tramp(second, v.key), text;
        EXPECT_EQ(back.vt, v.value.vt) << v.key;
        ASSERT_EQ(VariantChangeType(&text, &back, 0, VT_BSTR), S_OK) << v.key;
        EXPECT_EQ(utf8(text.bstrVal), v.text);
    }
    const ComPtr<IStream> again = globalMemoryStream();
    streamPersistence(second)->Save(again.get(), TRUE);
    EXPECT_EQ(streamBytes(again.get()), saved);
}

TEST(Client, FailuresLeaveTheMessageHelpAndInterfaceInTheThreadsErrorInfo) {
    registerServer();
    const std::string dir = testDir();
    writePpm(dir + "/one.ppm", 5, 4, fixturePattern(5, 4, 3));
    auto control = createByProgId();
    EXPECT_EQ(query<ISupportErrorInfo>(control, IID_ISupportErrorInfo)
                  ->InterfaceSupportsErrorInfo(IID_ITevSource),
              S_OK);
    control->put_Filename(bstr(dir + "/one.ppm").get());
    LONG pixels = 0;
    struct Failure {
        std::function<HRESULT()> call;
        HRESULT result;
        std::string messageStart;
        DWORD help;
        IID iid;
    };
    const Failure failures[] = {
        {[&] { return control->GetHorzResolution(5, 0, &pixels); }, E_INVALIDARG,
         "Output index 5 is out of range: ", 34, IID_ITevSource},
        {[&] { return control->GetVertResolution(0, 99, &pixels); }, E_INVALIDARG,
         "Resolution index 99 is out of range: output 0 has 1 resolution(s)", 35, IID_ITevSource},
        {[&] {
             return query<ITevZynWrapper2>(control, IID_ITevZynWrapper2)->CloneControl(nullptr);
         },
         E_POINTER, "The pointer parameter passed in was invalid.", 6, IID_ITevZynWrapper2},
    };
    for (const Failure& f : failures) {
        SCOPED_TRACE(f.messageStart);
        EXPECT_EQ(f.call(), f.result);
        const ErrorRecord record = takeError();
        ASSERT_TRUE(record.present);
        EXPECT_EQ(record.description.substr(0, f.messageStart.size()), f.messageStart);
        EXPECT_EQ(record.help, f.help);
        EXPECT_EQ(record.iid, f.iid);
    }
}

TEST(Client, CloneControlGivesAnIndependentControlOfTheSameImageAndSetup) {
    registerServer();
    const std::string path = testDir() + "/c.ppm";
    const auto rgb = fixturePattern(21, 13, 3);
    writePpm(path, 21, 13, rgb);
    auto control = createByProgId();
    control->put_Filename(bstr(path).get());
    control->put_Label(bstr("original").get());
    control->put_Caching(VARIANT_TRUE);
    ComPtr<ITevAnyFileSource> clone;
    ASSERT_EQ(query<ITevZynWrapper2>(control, IID_ITevZynWrapper2)->CloneControl(clone.out()),
              S_OK);
    ASSERT_TRUE(clone);
    EXPECT_EQ(filenameOf(clone), path);
    EXPECT_EQ(labelOf(clone), "original");
    VARIANT_BOOL caching = VARIANT_FALSE;
    clone->get_Caching(&caching);
    EXPECT_EQ(caching, VARIANT_TRUE);
    EXPECT_NE(identityOf(clone), identityOf(control));
    EXPECT_NE(&transformOf(clone), &transformOf(control));
    control.reset();
    EXPECT_TRUE(samplesMatch(renderWhole(transformOf(clone), {21, 13}), rgb, 21));
}
