#pragma once

#include "ComString.h"

// The full path of the loaded module (library or program) that holds `address`; empty when the
// system cannot tell.
ComString comModulePath(const void* address);

// The platform subkey under which a type library's file is registered ("win32", "win64", ...).
const OLECHAR* comTypeLibraryPlatform();
