#include <gtest/gtest.h>

#include "QorError.h"
#include "QorString.h"
#include "QorThreadCounter.h"

#include <thread>

TEST(QorString, NarrowingReplacesWhatUtf8CannotCarry) {
    EXPECT_EQ(qorNarrow(L"gr\u00fcn \u20ac"), "gr\xc3\xbcn \xe2\x82\xac");
    EXPECT_EQ(qorNarrow(std::wstring{L'a', static_cast<wchar_t>(0xD800), L'b'}), "a?b");
    // Only 32-bit wide characters can hold values beyond U+10FFFF.
    if constexpr (sizeof(wchar_t) == 4) {
        EXPECT_EQ(qorNarrow(std::wstring{static_cast<wchar_t>(0x110000)}, '#'), "#");
    }
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

// The UTF-16 conversions are the ones wide strings get where wchar_t has 16 bits. Lone
// surrogates have no UTF-8 form, so those rows only narrow.
TEST(QorString, Utf16PairsSurrogatesAndReplacesLoneOnes) {
    const char16_t high = 0xD83D, low = 0xDE00;
    struct Case {
        std::u16string utf16;
        std::string utf8;
        bool widensBack = true;
    };
    const Case cases[] = {
        {u"\uFFFF", "\xef\xbf\xbf"},          // last unit that stands alone
        {u"\U00010000", "\xf0\x90\x80\x80"},  // first pair
        {u"a\U0001F600b",
         "a\xf0\x9f\x98\x80"
         "b"},                                // pair between single units
        {u"\U0010FFFF", "\xf4\x8f\xbf\xbf"},  // last code point
        {{u'a', high}, "a?", false},          // high unit at the end
        {{low, u'b'}, "?b", false},           // low unit first
        {{high, u'x', low}, "?x?", false},    // pair split by another unit
    };
    for (const Case& c : cases) {
        EXPECT_EQ(qorNarrow(c.utf16), c.utf8);
        if (c.widensBack) EXPECT_EQ(qorWidenUtf16(c.utf8), c.utf16);
    }
    EXPECT_EQ(qorWidenUtf16("\xf0\x9f\x98"), u"\uFFFD\uFFFD\uFFFD");
}

// Only the recognisers' traces print errors this way.
TEST(QorError, Printout) {
    EXPECT_EQ(QorError(130, "bad file", "Somewhere", 12).printout(), "Error 130: bad file");
}

TEST(QorThreadCounter, EachThreadSeesItsOwnValue) {
    QorThreadCounter counter;
    counter = 5;
    long seen = -1, own = -1;
    std::thread([&] {
        seen = counter;
        counter = 9;
        own = counter;
        counter = 0;
    }).join();
    EXPECT_EQ(seen, 0);
    EXPECT_EQ(own, 9);
    EXPECT_EQ(static_cast<long>(counter), 5);
    counter = 0;
    EXPECT_EQ(static_cast<long>(counter), 0);
}
