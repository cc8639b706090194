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
    image.selectResolution(1);
    image.setStrides(3, 3 * 192);
    EXPECT_EQ(image.readRectangle({0, 0, 1, 1}, out.data()), kVdxNotOpen);
    EXPECT_EQ(image.setColorFormat(kVdxYCC), kVdxNotOpen);
    VdxConfig config;
    EXPECT_EQ(image.config(config), kVdxNotOpen);
    // A failed open leaves nothing open.
    const std::string notPack = testDir() + "/other.vdx";
    writeFile(notPack, std::string(4000, 'v'));
    EXPECT_EQ(image.open(notPack), kVdxNotPack);
    EXPECT_FALSE(image.isOpen());
    ASSERT_EQ(image.open(pack.path), kVdxOk);
    EXPECT_EQ(image.setColorFormat(13), kVdxBadFormat);
    EXPECT_EQ(image.setColorFormat(9), kVdxBadFormat);
    image.selectResolution(1);
    image.setStrides(3, 3 * 192);
    for (const VdxRect& r :
         {VdxRect{-1, 0, 4, 4}, VdxRect{0, -1, 4, 4}, VdxRect{4, 0, 4, 4}, VdxRect{0, 4, 4, 4},
          VdxRect{0, 0, 193, 4}, VdxRect{0, 0, 4, 129}, VdxRect{5, 5, 2, 9}})
        EXPECT_EQ(image.readRectangle(r, out.data()), kVdxBadRectangle)
            << r.x0 << "," << r.y0 << " " << r.x1 << "," << r.y1;
    for (int index : {0, 4, 5, -1}) {
        image.selectResolution(index);
        EXPECT_EQ(image.readRectangle({0, 0, 1, 1}, out.data()), kVdxLevelMissing);
    }
    image.selectResolution(1);
    image.setStrides(2, 3 * 192);
    EXPECT_EQ(image.readRectangle({0, 0, 4, 4}, out.data()), kVdxBadStrides);
    image.setStrides(3, 11);
    EXPECT_EQ(image.readRectangle({0, 0, 4, 4}, out.data()), kVdxBadStrides);
    image.setColorFormat(kVdxLuminance);
    image.setStrides(1, 4);
    EXPECT_EQ(image.readRectangle({0, 0, 4, 4}, out.data()), kVdxOk);
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
