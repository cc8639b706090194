#include <gtest/gtest.h>

#include <cmath>

#include "NIFAffineMatrix.h"
#include "NIFExtensionGroup.h"
#include "NIFInverseAffine.h"
#include "NIFROI.h"
#include "NIFStrArray.h"
#include "NIFSummaryInformation.h"

TEST(NIFTypes, AffineConstructorsAndTheIdentityTolerance) {
    const NIFInverseAffine six(1, 2, 3, 4, 5, 6);
    EXPECT_EQ((std::array<double, 8>{six.m[0], six.m[1], six.m[2], six.m[3], six.m[4], six.m[5],
                                     six.m[6], six.m[7]}),
              (std::array<double, 8>{1, 2, 3, 0, 4, 5, 6, 0}));
    const NIFAffineMatrix four(1, 2, 4, 5);
    EXPECT_EQ((std::array<float, 3>{four.m[2], four.m[4], four.m[10]}),
              (std::array<float, 3>{0, 4, 1}));
    NIFAffineMatrix nearly(1, 1);
    nearly.m[3] = 5e-7f;
    EXPECT_TRUE(nearly.isIdentity());
    nearly.m[3] = 2e-6f;
    EXPECT_FALSE(nearly.isIdentity());
}

TEST(NIFTypes, RegionsOfInterest) {
    EXPECT_TRUE(NIFROI(0, 0, 0.0000005f, 0).isZero());
    EXPECT_FALSE(NIFROI(0, 0, 0.00001f, 0).isZero());
    NIFROI region(1, 2, 3, 4);
    EXPECT_FALSE(region.isHuge());
    region.setHuge();
    EXPECT_TRUE(region.isHuge());
    EXPECT_EQ(region.left, 0);
    EXPECT_TRUE(std::isinf(region.width));
}

// Copies own copies: changing or destroying one never touches the other.
TEST(NIFTypes, OwningValuesCopyDeeplyAndMoveCleanly) {
    NIFStr text("harbour");
    NIFStr copy = text;
    copy.ptr[0] = 'H';
    EXPECT_EQ(text.view(), "harbour");
    EXPECT_EQ(copy.view(), "Harbour");
    EXPECT_EQ(copy.ptr[copy.length], '\0');
    copy = copy;
    EXPECT_EQ(copy.view(), "Harbour");
    NIFStr moved = std::move(copy);
    EXPECT_EQ(copy.length, 0u);
    EXPECT_EQ(copy.ptr, nullptr);
    EXPECT_EQ(moved.view(), "Harbour");

    const NIFStr items[] = {NIFStr("a"), NIFStr("bc")};
    NIFStrArray strings(items, 2);
    NIFStrArray other;
    other = strings;
    other.ptr[1].ptr[0] = 'x';
    EXPECT_EQ(strings.ptr[1].view(), "bc");
    EXPECT_EQ(other.ptr[1].view(), "xc");

    NIFExtensionGroup group;
    NIFExtensionEntry entry;
    entry.name = NIFWideStr(u"Extension 1");
    group.extensions = NIFExtensionArray(&entry, 1);
    const NIFExtensionGroup copied = group;
    EXPECT_EQ(copied.extensions.ptr[0].name.view(), u"Extension 1");
    EXPECT_NE(copied.extensions.ptr[0].name.ptr.get(), group.extensions.ptr[0].name.ptr.get());

    NIFSummaryInformation summary;
    summary.title = NIFStr("Dawn");
    summary.created = NIFfiletime(0x0123456789ABCDEFull);
    NIFSummaryInformation assigned;
    assigned = summary;
    summary.title.clear();
    EXPECT_EQ(assigned.title.view(), "Dawn");
    EXPECT_EQ(assigned.created.dwHighDateTime, 0x01234567u);
    EXPECT_EQ(assigned.created.dwLowDateTime, 0x89ABCDEFu);
}
