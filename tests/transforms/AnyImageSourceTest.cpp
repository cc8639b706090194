#include <gtest/gtest.h>

#include "PpmFixture.h"
#include "SampleFileTestSupport.h"

// A new name drops the source of the last one, whether or not a source takes the new file.
TEST(AnyImageSource, ANewNameReplacesTheSourceOfTheLastOne) {
    const std::string dir = testDir();
    writePpm(dir + "/a.ppm", 3, 3, fixturePattern(3, 3, 3));
    auto any = std::make_shared<ZynAnyImageSource>();
    any->setFileName(qorWiden(dir + "/a.ppm"));
    EXPECT_TRUE(ZynGraph::statusOK(*any));
    ASSERT_EQ(any->transforms().size(), 1u);
    std::weak_ptr<ZynTransform> first = any->transforms().front();
    any->setFileName(qorWiden(dir + "/missing.ppm"));
    EXPECT_FALSE(ZynGraph::statusOK(*any));
    EXPECT_TRUE(any->transforms().empty());
    EXPECT_TRUE(first.expired());
    EXPECT_EQ(any->imageOutput(0), nullptr);
}
