#include <gtest/gtest.h>

#include <thread>

#include "CTevTransformBase.h"
#include "ComTestHelpers.h"
#include "TevErrors.h"

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
}

TEST(TevSupport, ReportsSetRecordsAndTheIfNotSetFormKeepsAnExistingOne) {
    EXPECT_EQ(TevReportError(OLESTR("first"), 7, IID_ITevSource, CLSID_TevAnyFileSource, E_FAIL),
              E_FAIL);
    EXPECT_EQ(TevReportErrorIfNotSet(OLESTR("second"), 8, IID_ITevSource, CLSID_TevAnyFileSource,
                                     E_INVALIDARG),
              E_INVALIDARG);
    // The record is the reporting thread's alone.
    bool seenElsewhere = true;
    std::thread([&] { seenElsewhere = takeError().present; }).join();
    EXPECT_FALSE(seenElsewhere);
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
