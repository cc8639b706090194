#include <fstream>

#include "CameraTestSupport.h"
#include "HctCalibration.h"
#include "HctSignature.h"
#include "PpmFixture.h"
#include "ZynRVQInitializer.h"

namespace {

// Holds the driver open in files mode for a test.
struct Driver {
    HctDriver* handle = nullptr;
    Driver() { EXPECT_EQ(hctOpenDriver(&handle, kHctDriverFilesOnly), kHctOk); }
    ~Driver() { hctCloseDriver(handle); }
};

HctStatus openStatus(const std::string& path) {
    Driver driver;
    HctImageRecord record;
    const HctStatus status = hctOpenImageFile(driver.handle, path, &record);
    if (record.image) hctCloseImage(&record);
    return status;
}

HctImageRecord openRecord(HctDriver* driver, const std::string& path) {
    HctImageRecord record;
    EXPECT_EQ(hctOpenImageFile(driver, path, &record), kHctOk);
    EXPECT_EQ(hctGetImageType(&record), kHctOk);
    return record;
}

}  // namespace

// Image types and folders are checked through the source's attributes.
TEST(CameraSdk, DriverIsSharedProcessStateInOneModeAndImagesNeedIt) {
    ASSERT_EQ(hctDriverUses(), 0);
    const std::string path = testDir() + "/image.dng";
    writeDng(path);
    HctDriver* files = nullptr;
    HctDriver* devices = nullptr;
    ASSERT_EQ(hctOpenDriver(&files, kHctDriverFilesOnly), kHctOk);
    EXPECT_EQ(hctOpenDriver(&devices, kHctDriverDevices), kHctDriverInUse);
    EXPECT_EQ(hctOpenDriver(&devices, 7), kHctDriverBadFlags);
    HctImageRecord record = openRecord(files, path);
    HctImageData data;
    EXPECT_EQ(hctGetThumbnail(&record, &data), kHctThumbnailFromPreview);
    ASSERT_EQ(hctCloseDriver(files), kHctOk);
    EXPECT_EQ(hctGetImage(&record, &data), kHctBadHandle);
    EXPECT_EQ(hctCloseImage(&record), kHctOk);
    EXPECT_EQ(hctCloseImage(&record), kHctBadHandle);
    EXPECT_EQ(hctCloseDriver(files), kHctBadHandle);

    // Opened elsewhere in another mode, the driver cannot serve the source.
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

TEST(CameraSdk, OpeningTellsWhyAFileIsNotOfTheFamily) {
    const std::string dir = testDir();
    writeFile(dir + "/short.raw", std::string(40, 'x'));
    writePpm(dir + "/image.ppm", 30, 30, fixturePattern(30, 30, 3));
    writeFile(dir + "/text.txt", std::string(500, 't'));
    writeFile(dir + "/dump.raw", std::string(1024 * 768, '\x40'));
    writeDng(dir + "/image.dng");
    EXPECT_EQ(openStatus(dir + "/short.raw"), kHctNotThisFamily);
    EXPECT_EQ(openStatus(dir + "/image.ppm"), kHctForeignSignature);
    EXPECT_EQ(openStatus(dir + "/text.txt"), kHctUnknownFormat);
    EXPECT_EQ(openStatus(dir + "/dump.raw"), kHctHeaderless);
    EXPECT_EQ(openStatus(dir + "/absent.dng"), kHctUnreadable);
    EXPECT_EQ(openStatus(dir), kHctUnreadable);
    EXPECT_EQ(openStatus(dir + "/image.dng"), kHctOk);
    HctImageRecord record;
    EXPECT_EQ(hctOpenImageFile(nullptr, dir + "/image.dng", &record), kHctBadHandle);
}

TEST(CameraSdk, CameraTypesFollowTheColourCalibrationLibRawKnows) {
    const struct Case {
        const char* name;
        DCCameraType camera;
        DngFixtureOptions options;
    } cases[] = {
        {"DNG with a matrix", DCCameraDng, {}},
        {"DNG without one", DCCameraUncalibratedDng, {.colorMatrix = false}},
        {"monochrome DNG", DCCameraMonochromeDng, {.monochrome = true}},
        {"mosaic TIFF of an unknown camera",
         DCCameraUncalibrated,
         {.dngVersion = false, .colorMatrix = false}},
        // A model LibRaw carries a colour matrix for.
        {"mosaic TIFF of a listed camera",
         DCCameraListed,
         {.dngVersion = false, .colorMatrix = false, .make = "Canon", .model = "EOS 5D"}},
    };
    const std::string dir = testDir();
    Driver driver;
    for (Case c : cases) {
        SCOPED_TRACE(c.name);
        c.options.preview = DngFixtureOptions::Preview::None;
        writeDng(dir + "/" + c.name, c.options);
        HctImageRecord record = openRecord(driver.handle, dir + "/" + c.name);
        EXPECT_EQ(record.cameraType, c.camera);
        EXPECT_EQ(record.imageType, c.options.monochrome ? DCGrayImage8 : DCRGBImage24);
        EXPECT_EQ(record.make, c.options.make);
        hctCloseImage(&record);
    }
}

TEST(CameraSdk, CalibrationFilesNameCamerasByMakeAndModel) {
    const std::string dir = testDir();
    HctCameraMatrix matrix;
    EXPECT_EQ(hctReadCalibration(dir, "Make", "Model", 3, matrix), kHctCalibrationMissing);
    std::ofstream(dir + "/" + kHctCalibrationFileName)
        << "# make;model;matrix\n\n"
           "Make;Model;1 0 0 0 1 0 0 0\n"
           " make ;  MODEL 2 ;0.5 0 0 0 0.5 0 0 0 0.5\n"
           "Make;Four;1 0 0 0 1 0 0 0 1 0.5 0.5 0\n"
           "Make;Words;one two\n";
    const struct Case {
        const char *make, *model;
        int colors;
        HctStatus status;
    } cases[] = {{"Make", "Model", 3, kHctCalibrationMalformed},
                 {"Make", "Words", 3, kHctCalibrationMalformed},
                 {"Make", "Four", 3, kHctCalibrationMalformed},
                 {"Other", "Model", 3, kHctCalibrationNoCamera},
                 {"MAKE", "model 2", 3, kHctOk},
                 {"Make", "Four", 4, kHctOk}};
    for (const Case& c : cases) {
        EXPECT_EQ(hctReadCalibration(dir, c.make, c.model, c.colors, matrix), c.status) << c.model;
        if (c.status != kHctOk) continue;
        EXPECT_EQ(matrix.colors, c.colors);
        if (c.colors == 3) {
            EXPECT_EQ(matrix.rows, (std::vector<double>{0.5, 0, 0, 0, 0.5, 0, 0, 0, 0.5}));
        }
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
