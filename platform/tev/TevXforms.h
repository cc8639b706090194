#pragma once

#include <string>

#include "ComString.h"

// The library's table of live controls: each registered control with its display name and its
// identity within a saved graph. Controls are held without a reference; a control removes
// itself before it goes.
HRESULT AddXform(IUnknown* control, REFGUID identity);
HRESULT RemoveXform(IUnknown* control);
HRESULT ChangeControlName(IUnknown* control, LPCOLESTR name);
HRESULT ChangeControlGuid(IUnknown* control, REFGUID identity);
// Reconnects the control to the controls of its graph by identity after a load. The source
// controls of this component have no inputs, so this confirms the control is registered under
// its present identity; E_INVALIDARG for a control that is not.
HRESULT CorrectConnections(IUnknown* control);

struct TevXformEntry {
    ComString name;
    GUID identity;
};
// What the table holds for a control; false when it is not registered.
bool TevFindXform(IUnknown* control, TevXformEntry& entry);
