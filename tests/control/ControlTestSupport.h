#pragma once

#include <gtest/gtest.h>

#include <string>

#include "ComBstr.h"
#include "ComPlatform.h"
#include "ComPtr.h"
#include "ComString.h"
#include "ComVariant.h"
#include "TevAnyFileSourceCtrl.h"
#include "TevServer.h"

// A new control through the server's class object, as a host gets one.
inline ComPtr<ITevAnyFileSource> newControl() {
    ComPtr<IClassFactory> factory;
    EXPECT_EQ(DllGetClassObject(CLSID_TevAnyFileSource, IID_IClassFactory, factory.outVoid()),
              S_OK);
    ComPtr<ITevAnyFileSource> control;
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_ITevAnyFileSource, control.outVoid()), S_OK);
    return control;
}

template <class T>
ComPtr<T> query(const ComPtr<ITevAnyFileSource>& control, REFIID iid) {
    ComPtr<T> result = control.query<T>(iid);
    EXPECT_TRUE(result);
    return result;
}

inline ComBstr bstr(const std::string& text) {
    return ComBstr(comFromUtf8(text));
}

inline std::string utf8(BSTR text) {
    return comToUtf8(ComBstr::copyOf(text).text().c_str());
}

// The thread's error-info record, taken.
struct ErrorRecord {
    bool present = false;
    std::string description;
    DWORD help = 0;
    GUID iid = GUID_NULL;
};

inline ErrorRecord takeError() {
    ErrorRecord record;
    IErrorInfo* info = nullptr;
    if (GetErrorInfo(0, &info) != S_OK) return record;
    record.present = true;
    ComBstr text;
    info->GetDescription(text.out());
    info->GetHelpContext(&record.help);
    info->GetGUID(&record.iid);
    info->Release();
    record.description = utf8(text.get());
    return record;
}

// A page that can be read but not written, for out-pointer checks.
void* readOnlyPage();
// A writable page followed by addresses that are not mapped; releasePage unmaps it too.
char* pageBeforeAGap();
void releasePage(char* page);

// The component library's file, as registration names it.
ComString componentLibraryPath();

// Registry store of the running test: a fresh file, named in ZYN_COM_REGISTRY.
std::string useFreshRegistry();
