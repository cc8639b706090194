#include <gtest/gtest.h>

#include "NIFSummaryInformation.h"

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
