#pragma once

#include "IQORPersistWithNewIdentity.h"

struct IQORPersistWithNewIdentity2 : public IQORPersistWithNewIdentity {
    // Loads a saved control but keeps this control's identity.
    virtual HRESULT STDMETHODCALLTYPE LoadWithNewIdentity(IStream* stream, VARIANT* readIds,
                                                          VARIANT* ownIds, LONG index) = 0;
};

extern "C" const IID IID_IQORPersistWithNewIdentity2;
