#include <gtest/gtest.h>

#include <vector>

#include "CTevTransformBase.h"
#include "ComTestHelpers.h"
#include "TestSupport.h"
#include "TevCategories.h"
#include "TevErrors.h"

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
    EXPECT_FALSE(registryKeyExists(implemented));
    const ComString category = OLESTR("Component Categories\\") + ComString(cat);
    ASSERT_TRUE(registryKeyExists(category));
    EXPECT_EQ(TevRemoveCategory(someClass), S_FALSE);
}
