#include <gtest/gtest.h>

#include "J2kBoxes.h"
#include "PpmFixture.h"
#include "QorString.h"
#include "TestSupport.h"

namespace {

const std::string kSignature("\x00\x00\x00\x0C\x6A\x50\x20\x20\x0D\x0A\x87\x0A", 12);

std::string box(const std::string& type, const std::string& payload) {
    return intBytes(payload.size() + 8, 4, true) + type + payload;
}

std::string extendedBox(const std::string& type, const std::string& payload) {
    return intBytes(1, 4, true) + type + intBytes(payload.size() + 16, 8, true) + payload;
}

std::string enumerated(uint32_t space) {
    return box("colr", std::string("\x01\x00\x00", 3) + intBytes(space, 4, true));
}

J2kColourBox colourBoxOf(const std::string& bytes) {
    const std::string path = testDir() + "/boxes.jp2";
    writeFile(path, bytes);
    QorStreamFactory factory;
    auto stream = factory.create(qorWiden(path), "rb");
    QorStreamView view = stream->view();
    return j2kReadColourBox(view, stream->size());
}

}  // namespace

// A header box with one colour box, ICC or enumerated, is every file's of
// J2KSource.ColorSpacesAndSampleTypes; 0 means no colour box.
TEST(J2kBoxes, FirstColorBoxOfTheHeaderBoxOrNoneWhenMalformed) {
    const std::string ihdr = box("ihdr", std::string(14, '\0'));
    const std::pair<std::string, uint32_t> cases[] = {
        // Later colour boxes are ignored; boxes of any length form, before and inside the header.
        {kSignature + extendedBox("ftyp", "jp2 ") +
             extendedBox("jp2h", ihdr + enumerated(18) + enumerated(16)),
         18},
        {kSignature + box("uuid", std::string(40, 'u')) + intBytes(0, 4, true) + "jp2h" + ihdr +
             enumerated(16),
         16},
        {kSignature, 0},
        // The codestream before any header box.
        {kSignature + box("jp2c", std::string(20, '\xFF')) + box("jp2h", enumerated(16)), 0},
        // A header box longer than the file.
        {kSignature + intBytes(4000, 4, true) + "jp2h" + ihdr + enumerated(16), 0},
        // A box shorter than its own header.
        {kSignature + intBytes(5, 4, true) + "jp2h" + enumerated(16), 0},
        // A colour box cut short.
        {kSignature + box("jp2h", ihdr + box("colr", std::string("\x01\x00\x00\x00", 4))), 0},
        // An extended length that overflows.
        {kSignature + intBytes(1, 4, true) + "jp2h" + std::string(8, '\xFF') + enumerated(16), 0},
    };
    for (const auto& [bytes, space] : cases) {
        const J2kColourBox colour = colourBoxOf(bytes);
        EXPECT_EQ(colour.enumerated, space) << &bytes - &cases[0].first;
        EXPECT_TRUE(colour.iccProfile.empty());
    }
}
