#pragma once

#include <string>
#include <utility>

#include "ComString.h"

// An owned BSTR (null stays null).
class ComBstr {
  public:
    ComBstr() = default;
    explicit ComBstr(const OLECHAR* text) : s_(SysAllocString(text)) {}
    explicit ComBstr(const ComString& text)
        : s_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
    ComBstr(const ComBstr& other) : s_(copyOf(other.s_).release()) {}
    ComBstr(ComBstr&& other) noexcept : s_(std::exchange(other.s_, nullptr)) {}
    ComBstr& operator=(ComBstr other) noexcept {
        std::swap(s_, other.s_);
        return *this;
    }
    ~ComBstr() { SysFreeString(s_); }

    // A copy of a BSTR, embedded zeros included; null when the copy fails.
    static ComBstr copyOf(BSTR s) {
        return attach(s ? SysAllocStringByteLen(reinterpret_cast<LPCSTR>(s), SysStringByteLen(s))
                        : nullptr);
    }
    // Takes ownership of `s`.
    static ComBstr attach(BSTR s) {
        ComBstr b;
        b.s_ = s;
        return b;
    }

    BSTR get() const { return s_; }
    // For out-parameters: frees what is held and hands out the slot.
    BSTR* out() {
        SysFreeString(s_);
        s_ = nullptr;
        return &s_;
    }
    BSTR release() { return std::exchange(s_, nullptr); }
    ComString text() const { return s_ ? ComString(s_, SysStringLen(s_)) : ComString(); }

  private:
    BSTR s_ = nullptr;
};
