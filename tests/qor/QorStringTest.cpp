#include <gtest/gtest.h>

#include "QorError.h"
#include "QorString.h"
#include "QorThreadCounter.h"

#include <thread>

TEST(QorString, NarrowingReplacesWhatUtf8CannotCarry) {
    EXPECT_EQ(qorNarrow(L"abc"), "abc");
    EXPECT_EQ(qorNarrow(L"gr\u00fcn \u20ac"), "gr\xc3\xbcn \xe2\x82\xac");
    EXPECT_EQ(qorNarrow(std::wstring{L'a', static_cast<wchar_t>(0xD800), L'b'}), "a?b");
    EXPECT_EQ(qorNarrow(std::wstring{static_cast<wchar_t>(0x110000)}, '#'), "#");
    EXPECT_FALSE(qorHasNarrowForm(std::wstring{static_cast<wchar_t>(0xDFFF)}));
    EXPECT_TRUE(qorHasNarrowForm(L"\U0001F600"));
}

TEST(QorString, WideningRoundTripsAndReplacesBadBytes) {
    const std::wstring text = L"x\u00e9\u4e2d\U0001F600";
    EXPECT_EQ(qorWiden(qorNarrow(text)), text);
    EXPECT_EQ(qorWiden("a\xff"
                       "b"),
              L"a\uFFFDb");
    EXPECT_EQ(qorWiden("\xe2\x82"), L"\uFFFD\uFFFD");            // truncated sequence
    EXPECT_EQ(qorWiden("\xc0\xaf"), L"\uFFFD\uFFFD");            // overlong form
    EXPECT_EQ(qorWiden("\xed\xa0\x80"), L"\uFFFD\uFFFD\uFFFD");  // encoded surrogate
}

TEST(QorError, PrintoutAndOsErrors) {
    QorError e(130, "bad file", "Somewhere", 12);
    EXPECT_EQ(e.printout(), "Error 130: bad file");
    QorError::printSourceLines = true;
    EXPECT_EQ(e.printout(), "Error 130: bad file [Somewhere:12]");
    QorError::printSourceLines = false;
    e.appendMessage(" more");
    EXPECT_STREQ(e.what(), "bad file more");
    EXPECT_EQ(QorError::osErrorText(2), "No such file or directory");
}

TEST(QorThreadCounter, EachThreadSeesItsOwnValue) {
    QorThreadCounter counter;
    counter = 5;
    long seen = -1;
    std::thread([&] {
        seen = counter;
        counter = 9;
    }).join();
    EXPECT_EQ(seen, 0);
    EXPECT_EQ(static_cast<long>(counter), 5);
}
