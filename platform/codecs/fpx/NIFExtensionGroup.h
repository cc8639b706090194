#pragma once

#include "NIFExtensionArray.h"
#include "NIFStr.h"

// A named group of extensions; starts empty and frees both parts when destroyed.
struct NIFExtensionGroup {
    NIFStr name;
    NIFExtensionArray extensions;
};
