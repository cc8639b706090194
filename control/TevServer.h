#pragma once

#include "ComPlatform.h"

// The server's four entry points, exported from the component's library.
STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv);
STDAPI DllCanUnloadNow();
// Writes the class, its ProgIDs and the type library under the classes root (the user's
// classes when the process has pointed HKEY_CLASSES_ROOT there with RegOverridePredefKey).
STDAPI DllRegisterServer();
// Removes what DllRegisterServer wrote, except the type library; always succeeds.
STDAPI DllUnregisterServer();

// The server's lock count: live objects plus the locks taken through LockServer. The server
// may be unloaded when it is zero.
void TevServerLock();
void TevServerUnlock();
long TevServerLockCount();
