#pragma once

#include "ComPlatform.h"

// Saving a control under a new identity, for hosts that copy graphs of controls. An id list is
// a VARIANT whose byref points to the caller's array of GUIDs; one element, at the index given,
// is written.
struct IQORPersistWithNewIdentity : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SaveWithNewIdentity(IStream* stream, BOOL clearDirty,
                                                          VARIANT* oldIds, VARIANT* newIds,
                                                          LONG index) = 0;
};

extern "C" const IID IID_IQORPersistWithNewIdentity;
