#pragma once

#include <atomic>

#include "ComPlatform.h"

// Reference counting and QueryInterface for the objects of this layer. `Derived` answers
// `void* interfaceFor(REFIID)` with the interface pointer for an IID, or null.
template <class Derived, class... Interfaces>
class ComObject : public Interfaces... {
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override {
        if (!ppvObject) return E_POINTER;
        *ppvObject = static_cast<Derived*>(this)->interfaceFor(riid);
        if (!*ppvObject) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0) delete static_cast<Derived*>(this);
        return left;
    }

  protected:
    ComObject() = default;
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

  private:
    std::atomic<ULONG> references_{1};
};
