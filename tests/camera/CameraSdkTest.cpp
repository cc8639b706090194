#include <fstream>

#include "CameraTestSupport.h"
#include "HctCalibration.h"
#include "HctSignature.h"
#include "ZynRVQInitializer.h"

// Opening images, developing them and closing them is what every source test does; image
// types and folders are checked through the source's attributes.
TEST(CameraSdk, DriverIsSharedProcessStateInOneMode) {
    ASSERT_EQ(hctDriverUses(), 0);
    // Opened elsewhere in another mode, the driver cannot serve the source.
    HctDriver* devices = nullptr;
    ASSERT_EQ(hctOpenDriver(&devices, kHctDriverDevices), kHctOk);
    EXPECT_EQ(textOf(errorOf(ZynRVQInitializer::beginUse)),
              "15 HCT-SDK toolkit error: the DC Driver has already been opened  by the "
              "application in a mode not consistent with Zyn's use  of the DC Driver "
              "(DC_DRIVER_DISABLE_1394)");
    hctCloseDriver(devices);
    EXPECT_EQ(textOf(errorOf(ZynRVQInitializer::endUse)),
              "10 mismatched call to terminate use of ICC library");
    EXPECT_EQ(errorOf(ZynRVQInitializer::beginUse).code(), 0);
    EXPECT_EQ(hctDriverUses(), 1);
    ZynRVQInitializer::endUse();
    EXPECT_EQ(hctDriverUses(), 0);

    // Only the series (major.minor) of the library must match the one built with.
    const int built = LIBRAW_MAKE_VERSION(0, 20, 2);
    EXPECT_EQ(hctVersionStatus(built, LIBRAW_MAKE_VERSION(0, 20, 0)), kHctOk);
    EXPECT_EQ(hctVersionStatus(built, LIBRAW_MAKE_VERSION(0, 19, 5)), kHctVersionTooOld);
    EXPECT_EQ(hctVersionStatus(built, LIBRAW_MAKE_VERSION(0, 21, 0)), kHctVersionTooNew);
}

TEST(CameraSdk, CalibrationFilesNameCamerasByMakeAndModel) {
    const std::string dir = testDir();
    HctCameraMatrix matrix;
    EXPECT_EQ(hctReadCalibration(dir, "Make", "Model", 3, matrix), kHctCalibrationMissing);
    std::ofstream(dir + "/" + kHctCalibrationFileName) << "# make;model;matrix\n\n"
                                                          "Make;Four;1 0 0 0 1 0 0 0 1 0.5 0.5 0\n"
                                                          "Make;Words;one two\n";
    const struct Case {
        const char *make, *model;
        int colors;
        HctStatus status;
    } cases[] = {{"Make", "Words", 3, kHctCalibrationMalformed},
                 {"Make", "Four", 3, kHctCalibrationMalformed},
                 {"Other", "Model", 3, kHctCalibrationNoCamera},
                 {"Make", "Four", 4, kHctOk}};
    for (const Case& c : cases) {
        EXPECT_EQ(hctReadCalibration(dir, c.make, c.model, c.colors, matrix), c.status) << c.model;
        if (c.status == kHctOk) EXPECT_EQ(matrix.colors, c.colors);
    }
    EXPECT_TRUE(hctCalibrationProblem(kHctCalibrationMalformed));
    EXPECT_FALSE(hctCalibrationProblem(kHctDriverInUse));
}

TEST(CameraSdk, ForeignSignaturesAreKnownWithoutLibRaw) {
    using namespace std::string_literals;
    std::string pack(2056, '\0');
    pack.replace(2048, 7, "VDX_IPI");
    const std::string foreign[] = {"P6\n3 2",
                                   "P5 3 2",
                                   "\x89PNG\r\n\x1a\n",
                                   "\xff\xd8\xff\xe0",
                                   "GIF89a",
                                   "BM6\x01",
                                   "\xff\x4f\xff\x51",
                                   "\0\0\0\x0cjP  \r\n\x87\n"s,
                                   "\xd0\xcf\x11\xe0\xa1\xb1\x1a\xe1",
                                   pack};
    const std::string ours[] = {"II*\0"s, "MM\0*"s, "FUJIFILM"s, "P8\n"s, "\xff\xd9"s, "\0MRM"s};
    const auto starts = [](const std::string& head) {
        return hctForeignSignature(reinterpret_cast<const uint8_t*>(head.data()), head.size());
    };
    for (const std::string& head : foreign) EXPECT_TRUE(starts(head)) << head;
    for (const std::string& head : ours) EXPECT_FALSE(starts(head)) << head;
}
