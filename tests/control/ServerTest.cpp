#include <gtest/gtest.h>

#include "ComTestHelpers.h"
#include "PpmFixture.h"
#include "TestSupport.h"
#include "TevCategories.h"

namespace {

ComString braced(REFGUID guid) {
    OLECHAR text[39];
    StringFromGUID2(guid, text, 39);
    return text;
}

const ComString kClassKey = OLESTR("CLSID\\") + braced(CLSID_TevAnyFileSource);

// The component library's file, as registration names it.
std::string libraryPath() {
    return comToUtf8(componentLibraryPath().c_str());
}

}  // namespace

TEST(Server, RegistrationWritesTheClassProgIdsAndTypeLibrary) {
    useFreshRegistry();
    ASSERT_EQ(DllRegisterServer(), S_OK);
    const std::string library = libraryPath();
    EXPECT_EQ(registryValue(OLESTR("TevAnyFileSource.TevAnyFileSource.1")),
              "TevAnyFileSource Class");
    EXPECT_EQ(registryValue(OLESTR("TevAnyFileSource.TevAnyFileSource.1\\CLSID")),
              comToUtf8(braced(CLSID_TevAnyFileSource).c_str()));
    EXPECT_EQ(registryValue(OLESTR("TevAnyFileSource.TevAnyFileSource\\CurVer")),
              "TevAnyFileSource.TevAnyFileSource.1");
    EXPECT_EQ(registryValue(OLESTR("TevAnyFileSource.TevAnyFileSource\\CLSID")),
              comToUtf8(braced(CLSID_TevAnyFileSource).c_str()));
    EXPECT_EQ(registryValue(kClassKey), "TevAnyFileSource Class");
    EXPECT_EQ(registryValue(kClassKey + OLESTR("\\ProgID")), "TevAnyFileSource.TevAnyFileSource.1");
    EXPECT_EQ(registryValue(kClassKey + OLESTR("\\VersionIndependentProgID")),
              "TevAnyFileSource.TevAnyFileSource");
    for (const OLECHAR* empty :
         {OLESTR("\\Programmable"), OLESTR("\\Control"), OLESTR("\\Insertable")})
        EXPECT_EQ(registryValue(kClassKey + empty), "<no value>");
    EXPECT_EQ(registryValue(kClassKey + OLESTR("\\InprocServer32")), library);
    EXPECT_EQ(registryValue(kClassKey + OLESTR("\\InprocServer32"), OLESTR("ThreadingModel")),
              "Apartment");
    EXPECT_EQ(registryValue(kClassKey + OLESTR("\\ToolboxBitmap32")), library + ", 1");
    EXPECT_EQ(registryValue(kClassKey + OLESTR("\\MiscStatus")), "0");
    EXPECT_EQ(registryValue(kClassKey + OLESTR("\\MiscStatus\\1")), "132497");
    EXPECT_EQ(registryValue(kClassKey + OLESTR("\\TypeLib")),
              comToUtf8(braced(LIBID_TevAnyFileSourceCtrl).c_str()));
    EXPECT_EQ(registryValue(kClassKey + OLESTR("\\Version")), "1.0");
    const ComString library10 =
        OLESTR("TypeLib\\") + braced(LIBID_TevAnyFileSourceCtrl) + OLESTR("\\1.0");
    EXPECT_EQ(registryValue(library10), "TevAnyFileSourceCtrl");
    const ComString category = OLESTR("Component Categories\\") + braced(CATID_TevImageSources);
    EXPECT_EQ(registryValue(kClassKey + OLESTR("\\Implemented Categories\\") +
                            braced(CATID_TevImageSources)),
              "<no value>");

    // Creation by ProgID through this registration is every client test's.

    // Unregistration takes the class away and leaves the shared CLSID key, the type library and
    // the category.
    EXPECT_EQ(DllUnregisterServer(), S_OK);
    EXPECT_EQ(registryValue(OLESTR("TevAnyFileSource.TevAnyFileSource.1")), "<missing>");
    EXPECT_EQ(registryValue(OLESTR("TevAnyFileSource.TevAnyFileSource")), "<missing>");
    EXPECT_EQ(registryValue(kClassKey), "<missing>");
    EXPECT_NE(registryValue(OLESTR("CLSID")), "<missing>");
    EXPECT_EQ(registryValue(library10), "TevAnyFileSourceCtrl");
    EXPECT_EQ(registryValue(category, OLESTR("409")), "Tev Image Sources");
    EXPECT_EQ(DllUnregisterServer(), S_OK);
    CLSID clsid{};
    EXPECT_EQ(CLSIDFromProgID(OLESTR("TevAnyFileSource.TevAnyFileSource"), &clsid),
              CO_E_CLASSSTRING);
}

TEST(Server, PerUserRegistrationGoesToTheUsersClassesAndStillActivates) {
    useFreshRegistry();
    HKEY userClasses = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, OLESTR("Software\\Classes"), 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &userClasses, nullptr),
              ERROR_SUCCESS);
    RegOverridePredefKey(HKEY_CLASSES_ROOT, userClasses);
    const HRESULT registered = DllRegisterServer();
    RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
    RegCloseKey(userClasses);
    ASSERT_EQ(registered, S_OK);
    EXPECT_EQ(registryValue(OLESTR("Software\\Classes\\") + kClassKey, nullptr, HKEY_CURRENT_USER),
              "TevAnyFileSource Class");
    EXPECT_EQ(registryValue(OLESTR("Software\\Classes\\") + kClassKey, nullptr, HKEY_LOCAL_MACHINE),
              "<missing>");
    ComPtr<IUnknown> control;
    EXPECT_EQ(CoCreateInstance(CLSID_TevAnyFileSource, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                               control.outVoid()),
              S_OK);
}

// Rendering through the host program is in the anyimage tests; what is left of unregistration,
// in the registration test.
TEST(EndToEnd, AHostProcessRegistersCreatesByProgIdQueriesAndUnregisters) {
    const std::string store = useFreshRegistry();
    const std::string dir = testDir();
    const std::string image = dir + "/image.ppm";
    writePpm(image, 90, 70, fixturePattern(90, 70, 3));

    CommandResult r = runProgram(ANYIMAGE_EXE, {"register"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Registered TevAnyFileSource.TevAnyFileSource in " + store + "\n");

    r = runProgram(ANYIMAGE_EXE, {"info", image});
    ASSERT_EQ(r.status, 0) << r.err;
    for (const std::string& line :
         {"Control:     TevAnyFileSource.TevAnyFileSource (registered server " + libraryPath() +
              ")\n",
          std::string("Status:      OK\n"), std::string("Size:        90 x 70 pixels"),
          std::string("(TEV_RGB)\n"), std::string("Resolutions: 1\n  0: 90 x 70,")})
        EXPECT_NE(r.out.find(line), std::string::npos) << line << "\n" << r.out;

    // Metadata goes through the control too; its failures print the error-info record.
    writeFile(dir + "/keys.txt", "Some.Key read\n");
    r = runProgram(ANYIMAGE_EXE, {"meta", image, "Some.Key", "--registry", dir + "/keys.txt"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "Some.Key: not present\n");
    r = runProgram(ANYIMAGE_EXE, {"meta", image, "Some.Key", "--registry", dir + "/none.txt"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Cannot open the metadata registry file \"" + dir +
                         "/none.txt\": No such file or directory (result 0x80004005)\n");

    r = runProgram(ANYIMAGE_EXE, {"unregister"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(registryValue(kClassKey), "<missing>");
    r = runProgram(ANYIMAGE_EXE, {"info", image});
    EXPECT_NE(r.out.find("Control:     the library's class object\n"), std::string::npos) << r.out;
}
