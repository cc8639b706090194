#include <gtest/gtest.h>

#include <vector>

#include "CTevTransformBase.h"
#include "ComTestHelpers.h"
#include "PpmFixture.h"
#include "QorString.h"
#include "TestSupport.h"
#include "TevCategories.h"
#include "TevErrors.h"
#include "TevXforms.h"
#include "ZynAnyImageSource.h"
#include "ZynGraph.h"
#include "ZynImageOutputCP.h"

namespace {

std::shared_ptr<ZynAnyImageSource> anySourceOf(const std::string& path) {
    auto any = std::make_shared<ZynAnyImageSource>();
    if (!path.empty()) any->setFileName(qorWiden(path));
    return any;
}

std::string writePattern(uint32_t width, uint32_t height) {
    const std::string path = testDir() + "/p.ppm";
    writePpm(path, width, height, fixturePattern(width, height, 3));
    return path;
}

}  // namespace

TEST(TevSupport, AddressChecksFindNullReadOnlyAndUnmappedMemoryWithoutFaulting) {
    int local = 0;
    EXPECT_TRUE(TevIsValidAddress(&local, sizeof local));
    std::vector<char> heap(1 << 20);
    EXPECT_TRUE(TevIsValidAddress(heap.data(), heap.size()));
    EXPECT_FALSE(TevIsValidAddress(nullptr, 4));
    EXPECT_FALSE(TevIsValidAddress(readOnlyPage(), 4));
    EXPECT_TRUE(TevIsValidAddress(readOnlyPage(), 4, false));

    char* pages = pageBeforeAGap();
    ASSERT_NE(pages, nullptr);
    EXPECT_TRUE(TevIsValidAddress(pages + 4088, 8));
    EXPECT_FALSE(TevIsValidAddress(pages + 4090, 8));
    EXPECT_FALSE(TevIsValidAddress(pages + 4096, 1, false));
    releasePage(pages);
    EXPECT_FALSE(TevIsValidAddress(pages, 1));
}

TEST(TevSupport, ColourSpacesMapByKindAndGenericOnesByBands) {
    EXPECT_EQ(CTevTransformBase::colorSpaceOf(ZynRGBColorSpace()), TEV_RGB);
    EXPECT_EQ(CTevTransformBase::colorSpaceOf(ZynLumAColorSpace()), TEV_LUMA);
    EXPECT_EQ(CTevTransformBase::colorSpaceOf(ZynYCbCrAColorSpace()), TEV_YCbCrA);
    EXPECT_EQ(CTevTransformBase::colorSpaceOf(ZynCMYKColorSpace()), TEV_CMYK);
    EXPECT_EQ(CTevTransformBase::colorSpaceOf(ZynAdobeSRGBColorSpace()), TEV_ADOBESRGB);
    EXPECT_EQ(CTevTransformBase::colorSpaceOf(ZynVDXLumColorSpace()), TEV_VDXLUM);
    EXPECT_EQ(CTevTransformBase::colorSpaceOf(ZynFpxYCCAColorSpace()), TEV_VDXYCCA);
    EXPECT_EQ(CTevTransformBase::colorSpaceOf(ZynFpxRGBColorSpace()), TEV_RGB);
    EXPECT_EQ(CTevTransformBase::colorSpaceOf(ZynGenericColorSpace(1)), TEV_GENERIC1);
    EXPECT_EQ(CTevTransformBase::colorSpaceOf(ZynGenericColorSpace(3)), TEV_GENERIC3);
    EXPECT_EQ(CTevTransformBase::colorSpaceOf(ZynGenericColorSpace(4)), TEV_GENERIC4);
    EXPECT_EQ(CTevTransformBase::colorSpaceOf(ZynGenericColorSpace(2)), TEV_GENERICN);
    EXPECT_EQ(CTevTransformBase::colorSpaceOf(ZynGenericColorSpace(7)), TEV_GENERICN);
}

TEST(TevSupport, QueriesRunPendingSetupsAndThrowForBadIndexes) {
    auto any = anySourceOf("");
    EXPECT_FALSE(CTevTransformBase::StatusOK(any));
    EXPECT_EQ(errorOf([&] { CTevTransformBase::GetWidth(any, 0); }).message(),
              "No file name given");

    any->setFileName(qorWiden(writePattern(70, 50)));
    EXPECT_TRUE(CTevTransformBase::StatusOK(any));
    // PPM images measure their extent in heights.
    EXPECT_DOUBLE_EQ(CTevTransformBase::GetWidth(any, 0), 1.4);
    EXPECT_EQ(CTevTransformBase::GetHeight(any, 0), 1.0);
    EXPECT_EQ(CTevTransformBase::GetUnit(any, 0), TEV_ARBITRARY);
    EXPECT_EQ(CTevTransformBase::GetHorzResolution(any, 0, 0), 70);
    EXPECT_EQ(CTevTransformBase::GetColorSpace(any, 0), TEV_RGB);
    EXPECT_EQ(CTevTransformBase::GetNumResolutions(any, 0), 1);
    EXPECT_EQ(CTevTransformBase::GetVertResolution(any, 0, 0), 50);
    const ZynError output = errorOf([&] { CTevTransformBase::GetWidth(any, 1); });
    EXPECT_EQ(output.code(), 13);
    EXPECT_NE(output.message().find("Output index 1 is out of range"), std::string::npos);
    const ZynError resolution = errorOf([&] { CTevTransformBase::GetHorzResolution(any, 0, 1); });
    EXPECT_NE(resolution.message().find("Resolution index 1 is out of range"), std::string::npos);
    EXPECT_EQ(errorOf([&] { CTevTransformBase::GetCaching(any, -1); }).code(), 13);

    const std::string dump = testDir() + "/graph.txt";
    CTevTransformBase::DumpGraph(any, qorWiden(dump));
    EXPECT_NE(readFileBytes(dump).find("ZynPpmImageSource status OK"), std::string::npos);
    EXPECT_EQ(errorOf([&] { CTevTransformBase::DumpGraph(any, L"/nonexistent/dir/x"); }).code(),
              130);
}

TEST(TevSupport, CachingAskedBeforeAFileOpensHoldsForEveryFileAfter) {
    auto any = anySourceOf("");
    CTevTransformBase::put_Caching(any, true);
    EXPECT_TRUE(CTevTransformBase::get_Caching(any));
    any->setFileName(qorWiden(writePattern(8, 8)));
    ZynGraph::ensureSetup(*any);
    EXPECT_TRUE(any->transforms().front()->imageOutput(0)->caching());
    any->setFileName(qorWiden(writePattern(9, 9)));
    ZynGraph::ensureSetup(*any);
    EXPECT_TRUE(any->transforms().front()->imageOutput(0)->caching());
    CTevTransformBase::SetCaching(any, 0, false);
    EXPECT_FALSE(any->transforms().front()->imageOutput(0)->caching());
    EXPECT_FALSE(CTevTransformBase::GetCaching(any, 0));
}

TEST(TevSupport, TheControlTableFollowsNamesAndIdentities) {
    int stand = 0;
    auto* control = reinterpret_cast<IUnknown*>(&stand);
    const GUID first = {1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}};
    const GUID second = {9, 9, 9, {9, 9, 9, 9, 9, 9, 9, 9}};
    ASSERT_EQ(AddXform(control, first), S_OK);
    ChangeControlName(control, OLESTR("Viewer"));
    ChangeControlGuid(control, second);
    TevXformEntry entry;
    ASSERT_TRUE(TevFindXform(control, entry));
    EXPECT_EQ(entry.name, OLESTR("Viewer"));
    EXPECT_EQ(entry.identity, second);
    EXPECT_EQ(CorrectConnections(control), S_OK);
    EXPECT_EQ(RemoveXform(control), S_OK);
    EXPECT_FALSE(TevFindXform(control, entry));
    EXPECT_EQ(CorrectConnections(control), E_INVALIDARG);
    EXPECT_EQ(ChangeControlName(control, OLESTR("x")), E_INVALIDARG);
}

TEST(TevSupport, ReportsSetRecordsAndTheIfNotSetFormKeepsAnExistingOne) {
    EXPECT_EQ(TevReportError(OLESTR("first"), 7, IID_ITevSource, CLSID_TevAnyFileSource, E_FAIL),
              E_FAIL);
    EXPECT_EQ(TevReportErrorIfNotSet(OLESTR("second"), 8, IID_ITevSource, CLSID_TevAnyFileSource,
                                     E_INVALIDARG),
              E_INVALIDARG);
    ErrorRecord record = takeError();
    EXPECT_EQ(record.description, "first");
    EXPECT_EQ(record.help, 7u);
    EXPECT_EQ(record.iid, IID_ITevSource);
    TevReportErrorIfNotSet(OLESTR("second"), 8, IID_ITevSource, CLSID_TevAnyFileSource,
                           E_INVALIDARG);
    EXPECT_EQ(takeError().description, "second");
    TevReportError(OLESTR("gone"), 1, IID_ITevSource, CLSID_TevAnyFileSource, E_FAIL);
    TevClearSystemErrorInfo();
    EXPECT_FALSE(takeError().present);
    EXPECT_EQ(CreateMessage(ZynError(153, "No file name given")), L"No file name given");
}

TEST(TevSupport, TheClassJoinsAndLeavesTheImageSourceCategory) {
    useFreshRegistry();
    const GUID someClass = {0xA, 0xB, 0xC, {1, 2, 3, 4, 5, 6, 7, 8}};
    ASSERT_EQ(TevRegisterCatids(someClass), S_OK);
    OLECHAR cls[39], cat[39];
    StringFromGUID2(someClass, cls, 39);
    StringFromGUID2(CATID_TevImageSources, cat, 39);
    const ComString implemented =
        OLESTR("CLSID\\") + ComString(cls) + OLESTR("\\Implemented Categories\\") + cat;
    ASSERT_TRUE(registryKeyExists(implemented));
    EXPECT_EQ(TevRemoveCategory(someClass), S_OK);
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, implemented.c_str(), 0, KEY_READ, &key),
              ERROR_FILE_NOT_FOUND);
    const ComString category = OLESTR("Component Categories\\") + ComString(cat);
    ASSERT_TRUE(registryKeyExists(category));
    EXPECT_EQ(TevRemoveCategory(someClass), S_FALSE);
}
