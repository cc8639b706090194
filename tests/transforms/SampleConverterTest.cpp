#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <sstream>

#include "PpmFixture.h"
#include "RawFixture.h"
#include "TestSupport.h"
#include "ZynBinItem.h"
#include "ZynSampleConverter.h"

namespace {

// The IEEE value of VAX bytes, as the little-endian converter gives it.
template <class T, size_t N>
T toIeee(const std::array<uint8_t, N>& vax) {
    auto bytes = vax;
    zynBufferConverter(vaxHWD, intelHWD, N == 4 ? 3 : 4)(bytes.data(), 1);
    T v;
    std::memcpy(&v, bytes.data(), N);
    return v;
}

// The VAX bytes of a little-endian IEEE value.
template <class T>
std::array<uint8_t, sizeof(T)> toVax(T value) {
    std::array<uint8_t, sizeof(T)> bytes;
    std::memcpy(bytes.data(), &value, sizeof(T));
    zynValueConverter(intelHWD, vaxHWD, sizeof(T) == 4 ? 3 : 4)(bytes.data());
    return bytes;
}

}  // namespace

TEST(SampleConverter, TableIndexFollowsByteOrderFloatFormatAndSize) {
    struct Case {
        ZynHardwareDesc from, to;
        int sizeClass, index;
    };
    const Case cases[] = {
        {intelHWD, intelHWD, 3, 0}, {sparcHWD, intelHWD, 0, 0}, {sparcHWD, intelHWD, 5, 0},
        {sparcHWD, intelHWD, 1, 1}, {sparcHWD, intelHWD, 2, 2}, {sparcHWD, intelHWD, 3, 2},
        {ppcHWD, alphaHWD, 4, 3},   {vaxHWD, intelHWD, 1, 0},   {vaxHWD, intelHWD, 2, 0},
        {vaxHWD, sparcHWD, 3, 4},   {vaxHWD, intelHWD, 3, 5},   {vaxHWD, ppcHWD, 4, 6},
        {vaxHWD, intelHWD, 4, 7},   {sparcHWD, vaxHWD, 3, 8},   {intelHWD, vaxHWD, 3, 9},
        {sparcHWD, vaxHWD, 4, 10},  {alphaHWD, vaxHWD, 4, 11},  {vaxHWD, vaxHWD, 4, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(zynConverterIndex(c.from, c.to, c.sizeClass), c.index)
            << c.from.id << "->" << c.to.id << " class " << c.sizeClass;
    EXPECT_EQ(zynBufferConverter(intelHWD, alphaHWD, 2), nullptr);
}

TEST(SampleConverter, ByteSwapsReverseEachSample) {
    unsigned char two[] = {1, 2, 3, 4};
    zynBufferConverter(sparcHWD, intelHWD, 1)(two, 2);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(two), 4), "\x02\x01\x04\x03");
    unsigned char four[] = {1, 2, 3, 4};
    zynValueConverter(intelHWD, ppcHWD, 2)(four);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(four), 4), "\x04\x03\x02\x01");
    const std::string big = sampleBytes(std::vector<double>{-2.75e-300, 1.0 / 3}, true);
    std::vector<double> values(2);
    std::memcpy(values.data(), big.data(), 16);
    zynBufferConverter(sparcHWD, nativeHWD, 4)(values.data(), 2);
    EXPECT_EQ(values, (std::vector<double>{-2.75e-300, 1.0 / 3}));
}

TEST(SampleConverter, VaxFToIeeeMatchesTheDefinition) {
    struct Pattern {
        bool negative;
        unsigned exponent;
        uint32_t fraction;
    };
    const Pattern patterns[] = {
        {false, 129, 0},     {true, 129, 0},         {false, 128, 0x400000}, {false, 3, 0},
        {true, 3, 0x7FFFFF}, {false, 255, 0x7FFFFF}, {false, 200, 0x123456}, {true, 100, 0x654321},
    };
    for (const Pattern& p : patterns)
        EXPECT_EQ(toIeee<float>(vaxFBytes(p.negative, p.exponent, p.fraction)),
                  static_cast<float>(vaxFValue(p.negative, p.exponent, p.fraction)))
            << p.exponent << " " << p.fraction;
    EXPECT_EQ(toIeee<float>(vaxFBytes(false, 129, 0)), 1.0f);
    // Exponents 0 to 2 have no normal IEEE counterpart: zero, and +0.0 at that.
    for (unsigned exponent : {0u, 1u, 2u})
        for (bool negative : {false, true}) {
            const float v = toIeee<float>(vaxFBytes(negative, exponent, 0x5A5A5A));
            EXPECT_EQ(v, 0.0f);
            EXPECT_FALSE(std::signbit(v)) << exponent;
        }
    // Big-endian results are the same bits in the other order.
    auto bytes = vaxFBytes(true, 150, 0x0ABCDE);
    zynValueConverter(vaxHWD, sparcHWD, 3)(bytes.data());
    const std::string expected =
        sampleBytes(std::vector<float>{static_cast<float>(vaxFValue(true, 150, 0x0ABCDE))}, true);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), expected);
}

TEST(SampleConverter, IeeeToVaxFKeepsValuesAndClampsWhatFCannotHold) {
    for (float v : {1.0f, -1.0f, 0.15625f, 3.0e-38f, -1.7e38f, 123456.789f})
        EXPECT_EQ(toVax<float>(v), vaxFBytesOf(v)) << v;
    EXPECT_EQ(toVax<float>(0.0f), vaxFBytes(false, 0, 0));
    EXPECT_EQ(toVax<float>(1.0e-45f), vaxFBytes(false, 0, 0));  // an IEEE denormal
    for (float v : {FLT_MAX, 1.8e38f, INFINITY})
        EXPECT_EQ(toVax<float>(v), vaxFBytes(false, 255, 0x7FFFFF)) << v;
    EXPECT_EQ(toVax<float>(-FLT_MAX), vaxFBytes(true, 255, 0x7FFFFF));
    // From big-endian IEEE too.
    std::string big = sampleBytes(std::vector<float>{-6.5f}, true);
    zynValueConverter(ppcHWD, vaxHWD, 3)(big.data());
    const auto expected = vaxFBytesOf(-6.5);
    EXPECT_EQ(big, std::string(expected.begin(), expected.end()));
}

TEST(SampleConverter, VaxGConvertsBothWays) {
    EXPECT_EQ(toIeee<double>(vaxGBytes(false, 1025, 0)), 1.0);
    for (uint64_t fraction : {uint64_t{0}, uint64_t{0x123456789ABCD}, (uint64_t{1} << 52) - 1})
        for (unsigned exponent : {3u, 700u, 1024u, 2047u})
            EXPECT_EQ(toIeee<double>(vaxGBytes(exponent % 2, exponent, fraction)),
                      vaxGValue(exponent % 2, exponent, fraction))
                << exponent;
    EXPECT_EQ(toIeee<double>(vaxGBytes(false, 0, 0)), 0.0);
    EXPECT_EQ(toIeee<double>(vaxGBytes(true, 1, 77)), 0.0);
    for (double v : {1.0, -2.5, 1.0e-300, 3.0e307, -1.0 / 3})
        EXPECT_EQ(toVax<double>(v), vaxGBytesOf(v)) << v;
    EXPECT_EQ(toVax<double>(0.0), vaxGBytes(false, 0, 0));
    EXPECT_EQ(toVax<double>(DBL_MAX), vaxGBytes(false, 2047, (uint64_t{1} << 52) - 1));
    EXPECT_EQ(toVax<double>(-INFINITY), vaxGBytes(true, 2047, (uint64_t{1} << 52) - 1));
}

// Descriptions name the byte orders; an unknown one is the host's.
TEST(HardwareDesc, Names) {
    std::ostringstream out;
    out << vaxHWD << " " << sparcHWD << " " << nativeHWD << " " << ZynHardwareDesc{1, 1, 9};
    EXPECT_EQ(out.str(), "vaxHWD sparcHWD nativeHWD nativeHWD");
    std::istringstream in("ppcHWD alphaHWD mipsHWD");
    ZynHardwareDesc a{}, b{}, c{};
    in >> a >> b;
    EXPECT_EQ(a, ppcHWD);
    EXPECT_EQ(b, alphaHWD);
    EXPECT_FALSE(in >> c);
    EXPECT_EQ(c, nativeHWD);
}

TEST(BinItem, ReadsAndWritesFieldsInTheFileByteOrder) {
    const std::string path = testDir() + "/items.bin";
    writeFile(path, std::string("xx\x34\x12\x78\x56\x34\x12", 8));
    FILE* file = std::fopen(path.c_str(), "r+b");
    ASSERT_TRUE(file);
    uint16_t little = 0;
    uint32_t big = 0;
    ZynBinItem a(&little, 2, intelHWD, nativeHWD);
    ZynBinItem b(&big, 2, sparcHWD, nativeHWD);
    EXPECT_TRUE(a.read(file, 0));
    EXPECT_TRUE(b.read(file, 2));
    EXPECT_EQ(little, 0x1234);
    EXPECT_EQ(big, 0x78563412u);
    big = 0xA1B2C3D4;
    EXPECT_TRUE(b.write(file, 0));
    uint32_t past = 0;
    EXPECT_FALSE(ZynBinItem(&past, 6, intelHWD, nativeHWD).read(file, 0));
    std::fclose(file);
    EXPECT_EQ(readFileBytes(path).substr(2, 4), "\xA1\xB2\xC3\xD4");
}
