#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <thread>
#include <vector>

#include "PpmFixture.h"
#include "QorSystem.h"
#include "TestSupport.h"

namespace {

struct FileCloser {
    void operator()(FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<FILE, FileCloser>;

std::string patternBytes(size_t n) {
    std::string bytes(n, '\0');
    for (size_t i = 0; i < n; ++i) bytes[i] = static_cast<char>(i * 31 + i / 256);
    return bytes;
}

std::string readAt(int descriptor, size_t n, uint64_t offset) {
    std::string out(n, '\0');
    const int64_t got = qorReadAt(descriptor, out.data(), n, offset);
    out.resize(got < 0 ? 0 : static_cast<size_t>(got));
    return out;
}

}  // namespace

// Names the system takes in another form than UTF-8 (UTF-16 on Windows, code points of more than
// 16 bits as surrogate pairs) reach the same file by every way in; folders are told from files.
TEST(QorSystem, EveryWayInReachesFilesByTheirUtf8Names) {
    const std::string dir = testDir();
    const std::string bytes = patternBytes(5000);
    for (const std::string name : {"plain.bin", "gr\xc3\xbcn.bin", "\xe4\xb8\xad\xe6\x96\x87.bin",
                                   "\xf0\x9f\x98\x80 smile.bin"}) {
        SCOPED_TRACE(name);
        const std::string path = dir + "/" + name;
        {
            File out(qorOpenFile(path, "wb"));
            ASSERT_TRUE(out);
            ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), out.get()), bytes.size());
        }
        EXPECT_TRUE(qorIsRegularFile(path));
        EXPECT_FALSE(qorIsDirectory(path));

        QorDescriptor descriptor(qorOpenReadOnly(path));
        ASSERT_GE(descriptor.get(), 0);
        EXPECT_EQ(qorFileSize(descriptor.get()), bytes.size());
        EXPECT_EQ(readAt(descriptor.get(), 100, 4000), bytes.substr(4000, 100));

        std::ifstream in(qorFsPath(path), std::ios::binary);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), bytes);
    }
    EXPECT_TRUE(qorIsDirectory(dir));
    EXPECT_TRUE(qorIsDirectory(dir + "/"));
    EXPECT_FALSE(qorIsRegularFile(dir));
    EXPECT_FALSE(qorPathStatus(dir + "/missing"));
    // Creating cuts an existing file to nothing.
    QorDescriptor old(qorCreateReadWrite(dir + "/plain.bin"));
    ASSERT_GE(old.get(), 0);
    EXPECT_EQ(qorFileSize(old.get()), 0u);
    QorDescriptor fresh(qorCreateReadWrite(dir + "/new.bin"));
    EXPECT_GE(fresh.get(), 0);
    EXPECT_TRUE(qorIsRegularFile(dir + "/new.bin"));
}

// Offsets beyond what 32 bits hold, where long has 32 bits.
TEST(QorSystem, StreamsSeekPastFourGibibytes) {
    File file(qorOpenFile(testDir() + "/big.bin", "wb"));
    ASSERT_TRUE(file);
    const int64_t far = (int64_t{5} << 30) + 7;
    ASSERT_EQ(qorSeek(file.get(), far, SEEK_SET), 0);
    EXPECT_EQ(qorTell(file.get()), far);
    ASSERT_EQ(qorSeek(file.get(), -7, SEEK_CUR), 0);
    EXPECT_EQ(qorTell(file.get()), int64_t{5} << 30);
}

// The engine's threads share one descriptor, and a stream may read from it too: a positional
// read leaves the stream where it was. test_zyn, which pulls on many threads, does not run under
// Wine, so this is what checks the Windows positional read.
TEST(QorSystem, ThreadsReadOneDescriptorAtOnce) {
    const std::string path = testDir() + "/t.bin";
    const std::string bytes = patternBytes(64 * 1024);
    writeFile(path, bytes);
    File file(qorOpenFile(path, "rb"));
    ASSERT_TRUE(file);
    char start[3];
    ASSERT_EQ(std::fread(start, 1, 3, file.get()), 3u);
    const int descriptor = qorFileDescriptor(file.get());
    constexpr int kThreads = 4;
    std::vector<int> wrong(kThreads, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            for (size_t offset = t * 97; offset + 333 <= bytes.size(); offset += 1001)
                wrong[t] += readAt(descriptor, 333, offset) != bytes.substr(offset, 333);
        });
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(wrong, std::vector<int>(kThreads, 0));
    EXPECT_EQ(readAt(descriptor, 50, bytes.size() - 10), bytes.substr(bytes.size() - 10));
    EXPECT_EQ(readAt(descriptor, 50, bytes.size()), "");
    EXPECT_EQ(readAt(descriptor, 50, uint64_t{1} << 40), "");
    EXPECT_EQ(qorTell(file.get()), 3);
    // Past the stream's buffer, so that it must go back to the system for more.
    std::string rest(bytes.size() - 3, '\0');
    ASSERT_EQ(std::fread(rest.data(), 1, rest.size(), file.get()), rest.size());
    EXPECT_EQ(rest, bytes.substr(3));
}
