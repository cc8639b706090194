#include <gtest/gtest.h>

#include "ImpsFixture.h"
#include "SampleFileTestSupport.h"

TEST(ImpsSource, DocumentationAttributeHoldsTheWholeDocFile) {
    const std::string dir = testDir();
    ImpsSet set{4, 2};
    set.extraDoc = "\nTaken at the observatory.\n7 = PIXELS\n";
    writeImpsSet(dir, "doc", ImpsKind::Lum, set, std::vector<uint32_t>(8, 9));
    auto imps = sourceOf(dir + "/doc.lum", "IMPSSource", false);
    ASSERT_TRUE(ZynGraph::statusOK(*imps)) << imps->error().message();
    EXPECT_EQ(imps->getAttribute<std::string>("Documentation"),
              "Info From Doc File: " + dir + "/doc.doc\n" + readFileBytes(dir + "/doc.doc"));
    // Field reading ended at the line without '='; the later PIXELS line is only text.
    EXPECT_EQ(imps->imageOutput(0)->coordSpace()->resolutions().at(0).width, 4u);
}
