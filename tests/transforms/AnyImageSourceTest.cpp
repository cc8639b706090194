#include <gtest/gtest.h>

#include "PpmFixture.h"
#include "SampleFileTestSupport.h"

TEST(AnyImageSource, MessagesAndLifecycle) {
    auto any = std::make_shared<ZynAnyImageSource>();
    EXPECT_TRUE(any->getAttribute<bool>("keep_open"));
    EXPECT_TRUE(isZynError(setupError(*any), 153, "No file name given"));

    const std::string dir = testDir();
    writeFile(dir + "/junk.bin", "not an image");
    any->setFileName(qorWiden(dir + "/junk.bin"));
    EXPECT_EQ(setupError(*any).message(), "Failed to open the given file: " + dir + "/junk.bin");
    EXPECT_EQ(any->imageOutput(0), nullptr);

    writePpm(dir + "/a.ppm", 3, 3, fixturePattern(3, 3, 3));
    any->setFileName(qorWiden(dir + "/a.ppm"));
    EXPECT_TRUE(ZynGraph::statusOK(*any));
    ASSERT_EQ(any->transforms().size(), 1u);
    EXPECT_EQ(any->transforms()[0]->label(), "ZynAnyImageSource.ImageSource");
    std::weak_ptr<ZynTransform> first = any->transforms().front();
    any->setFileName(qorWiden(dir + "/missing.ppm"));
    EXPECT_FALSE(ZynGraph::statusOK(*any));
    EXPECT_TRUE(any->transforms().empty());
    EXPECT_TRUE(first.expired());
}
