#include <gtest/gtest.h>

#include "PpmFixture.h"
#include "QorError.h"
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
    EXPECT_TRUE(QorStream::isURL(L"http://host/x"));
    EXPECT_FALSE(QorStream::isURL(L"file:/x"));
    EXPECT_FALSE(QorStream::isURL(L"/tmp/a://b"));
}

TEST(QorStream, FailuresKeepAReason) {
    QorStreamFactory factory;
    EXPECT_FALSE(factory.create(L"/no/such/file", "rb"));
    EXPECT_EQ(factory.error().code(), 130);
    EXPECT_EQ(factory.error().message(),
              "Cannot open \"/no/such/file\": No such file or directory");
    EXPECT_FALSE(factory.create(L"http://example.invalid/x.ppm", "rb"));
    EXPECT_EQ(factory.error().message(),
              "Unsupported URL scheme in \"http://example.invalid/x.ppm\"");
    EXPECT_FALSE(factory.create(qorWiden(testDir()), "rb"));
    EXPECT_FALSE(factory.create(L"/tmp/x", "wb"));
}

TEST(QorStream, ViewsReadSeekAndReportShortReads) {
    const std::string path = testDir() + "/v.bin";
    std::string bytes;
    for (int i = 0; i < 10000; ++i) bytes += static_cast<char>(i * 7);
    writeFile(path, bytes);
    QorStreamFactory factory;
    auto stream = factory.create(qorWiden(path));
    ASSERT_TRUE(stream);

    QorStreamView a = stream->view(), b = stream->view();
    char one = 0;
    ASSERT_EQ(a.read(&one, 1), 1);
    EXPECT_EQ(one, bytes[0]);
    // Views keep positions of their own.
    ASSERT_EQ(b.seek(5000), 0);
    std::string big(6000, '\0');
    EXPECT_EQ(b.read(big.data(), 6000), 5000);
    EXPECT_EQ(big.substr(0, 5000), bytes.substr(5000));
    EXPECT_TRUE(b.errorPending());
    EXPECT_EQ(b.errorText(), "Unexpected end of file in \"" + path + "\" at byte 10000");
    ASSERT_EQ(a.seek(4094, QorSeekOrigin::Current), 0);
    char two[4];
    ASSERT_EQ(a.read(two, 4), 4);  // across the read-ahead boundary
    EXPECT_EQ(std::string(two, 4), bytes.substr(4095, 4));
    EXPECT_EQ(a.tell(), 4099u);
    EXPECT_NE(a.seek(-5000, QorSeekOrigin::Current), 0);
    EXPECT_FALSE(a.errorText().empty());
}
