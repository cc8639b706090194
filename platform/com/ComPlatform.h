#pragma once

// The one header COM code includes: the Windows SDK where it exists, this layer elsewhere.

#ifdef _WIN32
#include <windows.h>

#include <ocidl.h>
#include <oleauto.h>
#include <olectl.h>

#include "ComWindows.h"
#else
#include "ComActivation.h"
#include "ComAutomation.h"
#include "ComGdi.h"
#include "ComOle.h"
#include "ComRegistry.h"
#include "ComStream.h"
#endif
