#include <gtest/gtest.h>

#include "ControlTestSupport.h"
#include "PpmFixture.h"
#include "QorError.h"
#include "TestSupport.h"
#include "VulMetaDataRegistry.h"

namespace {

class MetaRegistry : public ::testing::Test {
  protected:
    void SetUp() override { registry().clear(); }
    void TearDown() override { registry().clear(); }

    static VulMetaDataRegistry& registry() { return VulMetaDataRegistry::instance(); }

    std::string file(const std::string& text) {
        const std::string path = dir_ + "/r" + std::to_string(count_++) + ".txt";
        writeFile(path, text);
        return path;
    }

    QorError loadError(const std::string& path, int mode) {
        try {
            registry().load(path, mode);
        } catch (const QorError& e) {
            return e;
        }
        ADD_FAILURE() << "loaded";
        return QorError();
    }

    std::string dir_ = testDir();
    int count_ = 0;
};

}  // namespace

TEST_F(MetaRegistry, EntriesGiveUsageBitsByNameOrNumber) {
    registry().load(
        file("# comment\n\n"
             "DigitalProcess.ICCProfile  read|persist|color|geometry  the embedded profile\n"
             "ImageContainer.DisplayXResolution 0x9\n"
             "Derived.Thing -\n"),
        VUL_MMA_DEFAULT);
    EXPECT_EQ(registry().usage("DigitalProcess.ICCProfile"),
              VUL_USAGE_READ | VUL_USAGE_PERSIST | VUL_USAGE_COLOR | VUL_USAGE_GEOMETRY);
    EXPECT_EQ(registry().usage("ImageContainer.DisplayXResolution"), 9u);
    EXPECT_EQ(registry().usage("Derived.Thing"), 0u);
    EXPECT_EQ(registry().entries("DigitalProcess.ICCProfile").front().description,
              "the embedded profile");
}

TEST_F(MetaRegistry, DuplicatesAreOverwrittenRetainedAppendedOrRefused) {
    const std::string first = file("K read\n");
    const std::string second = file("K write\n");
    registry().load(first, VUL_MMA_DEFAULT);
    registry().load(second, VUL_MMA_SILENTLY_OVERWRITE);
    EXPECT_EQ(registry().usage("K"), VUL_USAGE_WRITE);
    registry().load(first, VUL_MMA_SILENTLY_RETAIN);
    EXPECT_EQ(registry().usage("K"), VUL_USAGE_WRITE);
    registry().load(first, VUL_MMA_SILENTLY_APPEND);
    EXPECT_EQ(registry().usage("K"), VUL_USAGE_READ | VUL_USAGE_WRITE);
    EXPECT_EQ(registry().entries("K").size(), 2u);

    // A refused duplicate leaves the whole file unloaded.
    const QorError e = loadError(file("New read\nK read\n"), VUL_MMA_THROW_ERROR);
    EXPECT_EQ(e.code(), 13);
    EXPECT_NE(e.message().find(":2: the metadata key \"K\" is already registered"),
              std::string::npos)
        << e.message();
    EXPECT_FALSE(registry().findUsage("New"));
    // Within one file too.
    EXPECT_EQ(loadError(file("Twice read\nTwice write\n"), VUL_MMA_THROW_ERROR).code(), 13);
}

TEST_F(MetaRegistry, InRegistryFileModeTheFilesOwnRuleApplies) {
    registry().load(file("K read\n"), VUL_MMA_DEFAULT);
    const std::string retaining = file("duplicates retain\nK write\nL write\n");
    registry().load(retaining, VUL_MMA_REGISTRY_FILE);
    EXPECT_EQ(registry().usage("K"), VUL_USAGE_READ);
    EXPECT_EQ(registry().usage("L"), VUL_USAGE_WRITE);
    // Other modes ignore the file's rule.
    registry().load(retaining, VUL_MMA_SILENTLY_OVERWRITE);
    EXPECT_EQ(registry().usage("K"), VUL_USAGE_WRITE);
    EXPECT_EQ(loadError(file("K read\nduplicates retain\n"), VUL_MMA_REGISTRY_FILE).code(), 13);
    EXPECT_EQ(loadError(file("duplicates sometimes\n"), VUL_MMA_REGISTRY_FILE).code(), 13);
}

TEST_F(MetaRegistry, BadFilesAndModesFailWithTheirPlaceAndChangeNothing) {
    registry().load(file("Kept read\n"), VUL_MMA_DEFAULT);
    const std::string bad = file("A read\nB readable\n");
    const QorError usage = loadError(bad, VUL_MMA_DEFAULT);
    EXPECT_EQ(usage.message(), bad + ":2: unknown usage \"readable\"");
    const std::string lonely = file("OnlyAKey\n");
    EXPECT_EQ(loadError(lonely, VUL_MMA_DEFAULT).message(),
              lonely + ":1: expected \"key usage [description]\"");
    EXPECT_EQ(loadError(file("no equals sign\n"), VUL_MMA_ALIAS_FILE).code(), 13);
    EXPECT_EQ(loadError(file(""), 7).code(), 414);
    EXPECT_FALSE(registry().findUsage("A"));
    EXPECT_EQ(registry().usage("Kept"), VUL_USAGE_READ);
}
