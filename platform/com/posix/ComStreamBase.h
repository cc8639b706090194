#pragma once

#include <algorithm>

#include "ComObject.h"
#include "ComStream.h"

// What the streams of this layer share: the position, seeking, copying and Stat. A stream
// provides its size and positional reads and writes.
template <class Derived>
class ComStreamBase : public ComObject<Derived, IStream> {
  public:
    void* interfaceFor(REFIID riid) {
        if (riid == IID_IUnknown || riid == IID_ISequentialStream || riid == IID_IStream)
            return static_cast<IStream*>(this);
        return nullptr;
    }

    // Reads stop at the end; a short read answers S_FALSE.
    HRESULT STDMETHODCALLTYPE Read(void* pv, ULONG cb, ULONG* pcbRead) override {
        if (!pv && cb) return STG_E_INVALIDPOINTER;
        ULONG done = 0;
        const HRESULT hr = derived().readAt(position_, pv, cb, done);
        position_ += done;
        if (pcbRead) *pcbRead = done;
        if (FAILED(hr)) return hr;
        return done == cb ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Write(const void* pv, ULONG cb, ULONG* pcbWritten) override {
        if (!pv && cb) return STG_E_INVALIDPOINTER;
        ULONG done = 0;
        const HRESULT hr = derived().writeAt(position_, pv, cb, done);
        position_ += done;
        if (pcbWritten) *pcbWritten = done;
        return hr;
    }
    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin,
                                   ULARGE_INTEGER* newPosition) override {
        int64_t base = 0;
        if (origin == STREAM_SEEK_CUR)
            base = static_cast<int64_t>(position_);
        else if (origin == STREAM_SEEK_END)
            base = static_cast<int64_t>(derived().size());
        else if (origin != STREAM_SEEK_SET)
            return STG_E_INVALIDFUNCTION;
        const int64_t target = base + move.QuadPart;
        if (target < 0) return STG_E_INVALIDFUNCTION;
        position_ = static_cast<uint64_t>(target);
        if (newPosition) newPosition->QuadPart = position_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER size) override {
        return derived().resize(size.QuadPart);
    }
    HRESULT STDMETHODCALLTYPE CopyTo(IStream* target, ULARGE_INTEGER cb, ULARGE_INTEGER* read,
                                     ULARGE_INTEGER* written) override {
        if (!target) return STG_E_INVALIDPOINTER;
        uint64_t totalRead = 0, totalWritten = 0;
        HRESULT hr = S_OK;
        char chunk[16384];
        while (totalRead < cb.QuadPart) {
            const auto want =
                static_cast<ULONG>(std::min<uint64_t>(sizeof chunk, cb.QuadPart - totalRead));
            ULONG got = 0, put = 0;
            hr = Read(chunk, want, &got);
            totalRead += got;
            if (FAILED(hr) || got == 0) break;
            hr = target->Write(chunk, got, &put);
            totalWritten += put;
            if (FAILED(hr) || put < got) break;
        }
        if (read) read->QuadPart = totalRead;
        if (written) written->QuadPart = totalWritten;
        return FAILED(hr) ? hr : S_OK;
    }
    HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Revert() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
        return STG_E_INVALIDFUNCTION;
    }
    HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
        return STG_E_INVALIDFUNCTION;
    }
    HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD) override {
        if (!stat) return STG_E_INVALIDPOINTER;
        *stat = STATSTG{};
        stat->type = STGTY_STREAM;
        stat->cbSize.QuadPart = derived().size();
        return S_OK;
    }

  protected:
    uint64_t position_ = 0;

  private:
    Derived& derived() { return static_cast<Derived&>(*this); }
};
