#pragma once

#include <map>

#include "ComBstr.h"
#include "ComVariant.h"

// A control's tramp data: copies of variants by key. Keys are ordered and told apart by the
// user locale's case-sensitive comparison; a null key is the empty string to it.
class TevTrampDataStore {
  public:
    // Inserts the key with a copy of the value, or replaces the value of an equal key.
    HRESULT set(BSTR key, const VARIANT& value);
    // Copies the key's value into `out` (cleared first); E_INVALIDARG, `out` untouched, when
    // the key is absent.
    HRESULT get(BSTR key, VARIANT* out) const;
    bool contains(BSTR key) const;
    // Whether the key was there.
    bool erase(BSTR key);
    void clear() { entries_.clear(); }
    // A VT_ARRAY | VT_BSTR of the keys in order, lower bound 0.
    HRESULT keyNames(VARIANT* out) const;

  private:
    struct KeyOrder {
        using is_transparent = void;
        bool operator()(BSTR a, BSTR b) const;
        bool operator()(const ComBstr& a, const ComBstr& b) const {
            return (*this)(a.get(), b.get());
        }
        bool operator()(const ComBstr& a, BSTR b) const { return (*this)(a.get(), b); }
        bool operator()(BSTR a, const ComBstr& b) const { return (*this)(a, b.get()); }
    };
    std::map<ComBstr, ComVariant, KeyOrder> entries_;
};
