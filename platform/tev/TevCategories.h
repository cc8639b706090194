#pragma once

#include "ComPlatform.h"

// The component category of the family's image sources, under which hosts find them.
extern "C" const CATID CATID_TevImageSources;

// Registers the category and lists the class as implementing it.
HRESULT TevRegisterCatids(REFCLSID clsid);
// Removes the class from the category; the category stays for the family's other classes.
HRESULT TevRemoveCategory(REFCLSID clsid);
