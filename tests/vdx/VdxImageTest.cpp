#include <fcntl.h>
#include <unistd.h>

#include "PpmFixture.h"
#include "TestSupport.h"
#include "VdxImage.h"
#include "VdxTestSupport.h"

// What the source never asks for, since it checks requests against its own offer first: the
// reader must still refuse each with its status.
TEST(VdxImage, RefusesBadRequests) {
    const Pack pack = writePack();
    VdxImage image;
    std::vector<uint8_t> out(768 * 512 * 3);
    const auto read = [&](int level, int64_t pixel, int64_t row, const VdxRect& r) {
        image.selectResolution(level);
        image.setStrides(pixel, row);
        return image.readRectangle(r, out.data());
    };
    VdxConfig config;
    EXPECT_EQ(read(1, 3, 3 * 192, {0, 0, 1, 1}), kVdxNotOpen);
    EXPECT_EQ(image.setColorFormat(kVdxYCC), kVdxNotOpen);
    EXPECT_EQ(image.config(config), kVdxNotOpen);
    // A failed open leaves nothing open.
    const std::string notPack = testDir() + "/other.vdx";
    writeFile(notPack, std::string(4000, 'v'));
    EXPECT_EQ(image.open(notPack), kVdxNotPack);
    EXPECT_FALSE(image.isOpen());
    ASSERT_EQ(image.open(pack.path), kVdxOk);
    EXPECT_EQ(image.setColorFormat(13), kVdxBadFormat);
    EXPECT_EQ(image.setColorFormat(9), kVdxBadFormat);
    for (const VdxRect& r :
         {VdxRect{-1, 0, 4, 4}, VdxRect{0, -1, 4, 4}, VdxRect{4, 0, 4, 4}, VdxRect{0, 4, 4, 4},
          VdxRect{0, 0, 193, 4}, VdxRect{0, 0, 4, 129}, VdxRect{5, 5, 2, 9}})
        EXPECT_EQ(read(1, 3, 3 * 192, r), kVdxBadRectangle)
            << r.x0 << "," << r.y0 << " " << r.x1 << "," << r.y1;
    for (int level : {0, 4, 5, -1})
        EXPECT_EQ(read(level, 3, 3 * 192, {0, 0, 1, 1}), kVdxLevelMissing) << level;
    EXPECT_EQ(read(1, 2, 3 * 192, {0, 0, 4, 4}), kVdxBadStrides);
    EXPECT_EQ(read(1, 3, 11, {0, 0, 4, 4}), kVdxBadStrides);
    image.setColorFormat(kVdxLuminance);
    EXPECT_EQ(read(1, 1, 4, {0, 0, 4, 4}), kVdxOk);
    image.close();
    EXPECT_EQ(image.config(config), kVdxNotOpen);
}

TEST(VdxImage, LeavesOpenADescriptorItDoesNotOwn) {
    const Pack pack = writePack();
    const int descriptor = ::open(pack.path.c_str(), O_RDONLY);
    ASSERT_GE(descriptor, 0);
    {
        VdxImage image;
        ASSERT_EQ(image.open(static_cast<int16_t>(descriptor)), kVdxOk);
        image.close();
    }
    EXPECT_NE(::fcntl(descriptor, F_GETFD), -1);
    ::close(descriptor);
    VdxImage image;
    EXPECT_EQ(image.open(static_cast<int16_t>(descriptor)), EBADF);
}
