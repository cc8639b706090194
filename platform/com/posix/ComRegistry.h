#pragma once

// The registry functions the component's registration and activation use, with the Windows
// SDK's names and values, over a file-backed store. The store's path comes from the environment
// variable ZYN_COM_REGISTRY, else $XDG_CONFIG_HOME/zyncomponent/registry.reg (or
// ~/.config/zyncomponent/registry.reg). HKEY_CLASSES_ROOT reads the user's
// HKEY_CURRENT_USER\Software\Classes first and HKEY_LOCAL_MACHINE\Software\Classes second, and
// writes where the key already is (the machine's classes for new keys), unless
// RegOverridePredefKey points it elsewhere.

#include <string>

#include "ComTypes.h"

typedef HKEY* PHKEY;
typedef DWORD REGSAM;
typedef BYTE* LPBYTE;
struct SECURITY_ATTRIBUTES;

#define HKEY_CLASSES_ROOT ((HKEY)(ULONG_PTR)((LONG)0x80000000))
#define HKEY_CURRENT_USER ((HKEY)(ULONG_PTR)((LONG)0x80000001))
#define HKEY_LOCAL_MACHINE ((HKEY)(ULONG_PTR)((LONG)0x80000002))

#define KEY_QUERY_VALUE 0x0001
#define KEY_SET_VALUE 0x0002
#define KEY_CREATE_SUB_KEY 0x0004
#define KEY_ENUMERATE_SUB_KEYS 0x0008
#define KEY_READ 0x20019
#define KEY_WRITE 0x20006
#define KEY_ALL_ACCESS 0xF003F
#define REG_OPTION_NON_VOLATILE 0x00000000L
#define REG_CREATED_NEW_KEY 0x00000001L
#define REG_OPENED_EXISTING_KEY 0x00000002L

#define REG_NONE 0
#define REG_SZ 1
#define REG_DWORD 4

extern "C" LONG RegCreateKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD Reserved, LPWSTR lpClass,
                                DWORD dwOptions, REGSAM samDesired,
                                const SECURITY_ATTRIBUTES* lpSecurityAttributes, PHKEY phkResult,
                                LPDWORD lpdwDisposition);
extern "C" LONG RegOpenKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD ulOptions, REGSAM samDesired,
                              PHKEY phkResult);
extern "C" LONG RegCloseKey(HKEY hKey);
// REG_SZ (UTF-16 with its terminator) and REG_DWORD values.
extern "C" LONG RegSetValueExW(HKEY hKey, LPCWSTR lpValueName, DWORD Reserved, DWORD dwType,
                               const BYTE* lpData, DWORD cbData);
extern "C" LONG RegQueryValueExW(HKEY hKey, LPCWSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType,
                                 LPBYTE lpData, LPDWORD lpcbData);
// Removes the subkey with everything below it (a null subkey: everything below hKey).
extern "C" LONG RegDeleteTreeW(HKEY hKey, LPCWSTR lpSubKey);
// Removes a subkey that has no subkeys of its own.
extern "C" LONG RegDeleteKeyW(HKEY hKey, LPCWSTR lpSubKey);
// Makes a predefined key stand for another open key in this process (null: undoes it).
extern "C" LONG RegOverridePredefKey(HKEY hKey, HKEY hNewHKey);

// The file the store lives in.
std::string comRegistryStorePath();
