#include <fcntl.h>
#include <unistd.h>

#include "VdxImage.h"
#include "VdxTestSupport.h"

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
