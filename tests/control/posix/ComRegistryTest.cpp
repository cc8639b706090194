#include <gtest/gtest.h>

#include "ComTestHelpers.h"
#include "PpmFixture.h"
#include "TestSupport.h"

namespace {

LONG setString(HKEY root, const std::u16string& path, const char16_t* name,
               const std::u16string& value) {
    HKEY key = nullptr;
    LONG r = RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr);
    if (r != ERROR_SUCCESS) return r;
    r = RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>((value.size() + 1) * 2));
    RegCloseKey(key);
    return r;
}

const GUID kTestClass = {
    0x1F2E3D4C, 0x5B6A, 0x4789, {0x9A, 0x8B, 0x7C, 0x6D, 0x5E, 0x4F, 0x30, 0x21}};

}  // namespace

TEST(ComRegistry, KeysAndValuesSurviveInTheStoreWithEscapesAndAnyCase) {
    const std::string store = useFreshRegistry();
    ASSERT_EQ(setString(HKEY_CURRENT_USER, u"Software\\Test\\Deep", u"Quote", u"a \"b\" \\c\nd"),
              ERROR_SUCCESS);
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"software\\TEST\\deep", 0, KEY_READ, &key),
              ERROR_SUCCESS);
    char16_t small[2];
    DWORD size = sizeof small;
    EXPECT_EQ(
        RegQueryValueExW(key, u"quote", nullptr, nullptr, reinterpret_cast<BYTE*>(small), &size),
        ERROR_MORE_DATA);
    EXPECT_EQ(size, 11u * 2);
    RegCloseKey(key);
    EXPECT_EQ(registryValue(u"Software\\Test\\Deep", u"Quote", HKEY_CURRENT_USER),
              "a \"b\" \\c\nd");
    EXPECT_EQ(registryValue(u"Software\\Test", nullptr, HKEY_CURRENT_USER), "<no value>");
    EXPECT_NE(readFileBytes(store).find("[HKEY_CURRENT_USER\\Software\\Test\\Deep]"),
              std::string::npos);
}

TEST(ComRegistry, DeletingRemovesWholeTreesOnly) {
    useFreshRegistry();
    setString(HKEY_LOCAL_MACHINE, u"A\\B\\C", nullptr, u"c");
    setString(HKEY_LOCAL_MACHINE, u"A\\BB", nullptr, u"bb");
    EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, u"A\\B"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteTreeW(HKEY_LOCAL_MACHINE, u"A\\B"), ERROR_SUCCESS);
    EXPECT_EQ(registryValue(u"A\\B\\C", nullptr, HKEY_LOCAL_MACHINE), "<missing>");
    EXPECT_EQ(registryValue(u"A\\B", nullptr, HKEY_LOCAL_MACHINE), "<missing>");
    EXPECT_EQ(registryValue(u"A\\BB", nullptr, HKEY_LOCAL_MACHINE), "bb");
    EXPECT_EQ(RegDeleteTreeW(HKEY_LOCAL_MACHINE, u"A\\B"), ERROR_FILE_NOT_FOUND);
}

// Redirection is Server.PerUserRegistrationGoesToTheUsersClassesAndStillActivates.
TEST(ComRegistry, ClassesRootWritesTheMachinesClassesAndReadsTheUsersFirst) {
    useFreshRegistry();
    setString(HKEY_CLASSES_ROOT, u"Thing", nullptr, u"machine");
    EXPECT_EQ(registryValue(u"Software\\Classes\\Thing", nullptr, HKEY_LOCAL_MACHINE), "machine");
    setString(HKEY_CURRENT_USER, u"Software\\Classes\\Thing", nullptr, u"user");
    EXPECT_EQ(registryValue(u"Thing", nullptr, HKEY_CLASSES_ROOT), "user");
}

TEST(ComRegistry, AMalformedStoreIsReportedAndLeftAlone) {
    const std::string store = useFreshRegistry();
    writeFile(store, "ZYN COM REGISTRY 1\n\n[HKEY_CURRENT_USER\\X]\n@=\"unterminated\n");
    EXPECT_EQ(setString(HKEY_CURRENT_USER, u"Y", nullptr, u"y"), ERROR_BADDB);
    EXPECT_EQ(readFileBytes(store),
              "ZYN COM REGISTRY 1\n\n[HKEY_CURRENT_USER\\X]\n@=\"unterminated\n");
}

TEST(ComActivation, ProgIdsFindTheirClassAndMissingServersAreReported) {
    useFreshRegistry();
    // A version-independent ProgID finds its class through CurVer.
    setString(HKEY_CLASSES_ROOT, u"Test.Thing.2\\CLSID", nullptr,
              u"{1F2E3D4C-5B6A-4789-9A8B-7C6D5E4F3021}");
    setString(HKEY_CLASSES_ROOT, u"Test.Thing\\CurVer", nullptr, u"Test.Thing.2");
    CLSID found{};
    ASSERT_EQ(CLSIDFromProgID(u"Test.Thing", &found), S_OK);
    EXPECT_EQ(found, kTestClass);

    setString(HKEY_CLASSES_ROOT, u"CLSID\\{1F2E3D4C-5B6A-4789-9A8B-7C6D5E4F3021}\\InprocServer32",
              nullptr, u"/nonexistent/libnothing.so");
    ComPtr<IUnknown> object;
    EXPECT_EQ(
        CoCreateInstance(kTestClass, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, object.outVoid()),
        CO_E_DLLNOTFOUND);
}
