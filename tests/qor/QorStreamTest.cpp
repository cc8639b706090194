#include <gtest/gtest.h>

#include "PpmFixture.h"
#include "QorStream.h"
#include "QorString.h"
#include "TestSupport.h"

TEST(QorStream, OpensPlainPathsFilePrefixesAndFileUrls) {
    const std::string dir = testDir();
    writeFile(dir + "/a b.bin", "0123456789");
    QorStreamFactory factory;
    for (const std::string& name :
         {dir + "/a b.bin", "file:" + dir + "/a b.bin", "file://" + dir + "/a%20b.bin",
          "file://localhost" + dir + "/a b.bin"}) {
        auto stream = factory.create(qorWiden(name), "rb");
        ASSERT_TRUE(stream) << name << ": " << factory.error().message();
        EXPECT_EQ(stream->size(), 10u);
        EXPECT_TRUE(stream->file());
    }
    EXPECT_TRUE(QorStream::isURL(L"file:///x"));
    EXPECT_FALSE(QorStream::isURL(L"file:/x"));
    EXPECT_FALSE(QorStream::isURL(L"/tmp/a://b"));
    // Another scheme is refused with a reason; a folder is no stream.
    EXPECT_FALSE(factory.create(L"http://example.invalid/x.ppm", "rb"));
    EXPECT_EQ(factory.error().message(),
              "Unsupported URL scheme in \"http://example.invalid/x.ppm\"");
    EXPECT_FALSE(factory.create(qorWiden(dir), "rb"));
}
