#include <gtest/gtest.h>

#include "ComTestHelpers.h"

namespace {

std::string converted(const VARIANT& from, USHORT flags = 0) {
    ComVariant text;
    EXPECT_EQ(VariantChangeType(&text, &from, flags, VT_BSTR), S_OK);
    return utf8(text.bstrVal);
}

VARIANT of(VARTYPE vt) {
    VARIANT v;
    VariantInit(&v);
    v.vt = vt;
    return v;
}

}  // namespace

// Integers round half to even, decimals keep every digit and their scale; results are read back
// through their text.
TEST(ComAutomation, ConversionsRoundTextFormsAndRefuseWhatDoesNotFit) {
    ComVariant real = scalarVariant(VT_R8, 0), single = scalarVariant(VT_R4, 0),
               money = scalarVariant(VT_CY, -12345);
    real.dblVal = 0.1;
    single.fltVal = 0.1f;
    const std::string most = "79228162514264337593543950335";
    const struct {
        ComVariant from;
        VARTYPE to;
        USHORT flags;
        HRESULT result;
        std::string text;
    } cases[] = {
        {textVariant(" 12.5 "), VT_I4, 0, S_OK, "12"},
        {textVariant("13.5"), VT_I2, 0, S_OK, "14"},
        {textVariant("12abc"), VT_I4, 0, DISP_E_TYPEMISMATCH, ""},
        {scalarVariant(VT_I4, 300), VT_UI1, 0, DISP_E_OVERFLOW, ""},
        {scalarVariant(VT_I4, -1), VT_UI4, 0, DISP_E_OVERFLOW, ""},
        {scalarVariant(VT_UI8, -1), VT_BSTR, 0, S_OK, "18446744073709551615"},
        {scalarVariant(VT_UI8, -1), VT_I8, 0, DISP_E_OVERFLOW, ""},
        {scalarVariant(VT_NULL, 0), VT_I4, 0, DISP_E_TYPEMISMATCH, ""},
        {scalarVariant(VT_EMPTY, 0), VT_BSTR, 0, S_OK, ""},
        {real, VT_BSTR, 0, S_OK, "0.1"},
        {single, VT_BSTR, 0, S_OK, "0.1"},
        {scalarVariant(VT_BOOL, VARIANT_TRUE), VT_BSTR, 0, S_OK, "-1"},
        {scalarVariant(VT_BOOL, VARIANT_TRUE), VT_BSTR, VARIANT_ALPHABOOL, S_OK, "True"},
        {money, VT_BSTR, 0, S_OK, "-1.2345"},
        {textVariant("-" + most), VT_DECIMAL, 0, S_OK, "-" + most},
        {textVariant("79228162514264337593543950336"), VT_DECIMAL, 0, DISP_E_OVERFLOW, ""},
        {textVariant("TRUE"), VT_BOOL, 0, S_OK, "-1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.from.vt) + " to " + std::to_string(c.to) + ": " + c.text);
        ComVariant out;
        ASSERT_EQ(VariantChangeType(&out, &c.from, c.flags, c.to), c.result);
        if (c.result == S_OK) {
            EXPECT_EQ(out.vt == VT_BSTR ? utf8(out.bstrVal) : converted(out), c.text);
        }
    }
    ComVariant copy;
    const VARIANT bad = of(15);
    EXPECT_EQ(VariantCopy(&copy, &bad), DISP_E_BADVARTYPE);
}

TEST(ComAutomation, ArraysOfStringsCheckTheirBounds) {
    SAFEARRAY* names = SafeArrayCreateVector(VT_BSTR, 0, 2);
    ASSERT_NE(names, nullptr);
    ComBstr back = bstr("x");
    for (LONG index = -1; index <= 2; index += 3) {
        EXPECT_EQ(SafeArrayGetElement(names, &index, back.out()), DISP_E_BADINDEX) << index;
        EXPECT_EQ(SafeArrayPutElement(names, &index, back.get()), DISP_E_BADINDEX) << index;
    }
    EXPECT_EQ(SafeArrayDestroy(names), S_OK);
}

TEST(ComAutomation, StringComparisonOrdersCodePointsAndTreatsNullAsEmpty) {
    auto compare = [](const char16_t* a, const char16_t* b, DWORD flags = 0) {
        return CompareStringW(LOCALE_INVARIANT, flags, a, -1, b, -1);
    };
    EXPECT_EQ(compare(u"A", u"a"), CSTR_LESS_THAN);
    EXPECT_EQ(compare(u"a", u"a"), CSTR_EQUAL);
    // A character beyond the 16-bit plane sorts after U+FFFD, though its first unit does not.
    EXPECT_EQ(compare(u"\U0001F600", u"\uFFFD"), CSTR_GREATER_THAN);
    const char16_t withZero[] = {u'a', 0, u'b'};
    EXPECT_EQ(CompareStringW(LOCALE_INVARIANT, 0, withZero, 3, u"a", 1), CSTR_GREATER_THAN);
    EXPECT_EQ(compare(nullptr, u"a"), 0);

    ComBstr empty = bstr("");
    ComBstr a = bstr("a");
    EXPECT_EQ(VarBstrCmp(nullptr, empty.get(), LOCALE_USER_DEFAULT, 0), VARCMP_EQ);
    EXPECT_EQ(VarBstrCmp(nullptr, a.get(), LOCALE_USER_DEFAULT, 0), VARCMP_LT);
    EXPECT_EQ(VarBstrCmp(a.get(), nullptr, LOCALE_USER_DEFAULT, 0), VARCMP_GT);
}

TEST(ComAutomation, GuidsPrintAndParse) {
    const GUID known = {
        0x01234567, 0x89AB, 0xCDEF, {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF}};
    OLECHAR text[39];
    ASSERT_EQ(StringFromGUID2(known, text, 39), 39);
    EXPECT_EQ(comToUtf8(text), "{01234567-89AB-CDEF-0123-456789ABCDEF}");
    GUID parsed{};
    ASSERT_EQ(CLSIDFromString(u"{01234567-89ab-cdef-0123-456789abcdef}", &parsed), S_OK);
    EXPECT_EQ(parsed, known);
    for (const char16_t* bad :
         {u"{01234567-89AB-CDEF-0123-456789ABCDEF", u"01234567",
          u"{01234567-89AB-CDEF-0123-456789ABCDEG}", u"{01234567-89AB-CDEF-0123-456789ABCDEF}x"})
        EXPECT_EQ(CLSIDFromString(bad, &parsed), CO_E_CLASSSTRING) << comToUtf8(bad);
    EXPECT_EQ(StringFromGUID2(known, text, 38), 0);
}
