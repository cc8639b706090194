#include "ComMemoryStream.h"

#include <cstring>
#include <new>

namespace {

// Memory streams stay within what 32-bit byte counts and offsets address.
constexpr uint64_t kLimit = 0x7FFFFFFF;

}  // namespace

ComMemoryStream::ComMemoryStream(std::shared_ptr<std::vector<BYTE>> bytes)
    : bytes_(std::move(bytes)) {}

HRESULT ComMemoryStream::readAt(uint64_t offset, void* pv, ULONG cb, ULONG& done) {
    done = offset >= bytes_->size()
               ? 0
               : static_cast<ULONG>(std::min<uint64_t>(cb, bytes_->size() - offset));
    if (done) std::memcpy(pv, bytes_->data() + offset, done);
    return S_OK;
}

HRESULT ComMemoryStream::writeAt(uint64_t offset, const void* pv, ULONG cb, ULONG& done) {
    done = 0;
    if (offset + cb > kLimit) return STG_E_MEDIUMFULL;
    try {
        if (offset + cb > bytes_->size()) bytes_->resize(offset + cb);
    } catch (const std::bad_alloc&) {
        return STG_E_MEDIUMFULL;
    }
    if (cb) std::memcpy(bytes_->data() + offset, pv, cb);
    done = cb;
    return S_OK;
}

HRESULT ComMemoryStream::resize(uint64_t size) {
    if (size > kLimit) return STG_E_MEDIUMFULL;
    try {
        bytes_->resize(size);
    } catch (const std::bad_alloc&) {
        return STG_E_MEDIUMFULL;
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE ComMemoryStream::Clone(IStream** ppstm) {
    if (!ppstm) return STG_E_INVALIDPOINTER;
    auto* copy = new (std::nothrow) ComMemoryStream(bytes_);
    if (!copy) return E_OUTOFMEMORY;
    copy->position_ = position_;
    *ppstm = copy;
    return S_OK;
}

STDAPI_(IStream*) SHCreateMemStream(const BYTE* pInit, UINT cbInit) {
    try {
        auto bytes = std::make_shared<std::vector<BYTE>>();
        if (pInit) bytes->assign(pInit, pInit + cbInit);
        return new ComMemoryStream(std::move(bytes));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

STDAPI CreateStreamOnHGlobal(HGLOBAL hGlobal, BOOL, LPSTREAM* ppstm) {
    if (!ppstm) return E_INVALIDARG;
    *ppstm = nullptr;
    if (hGlobal) return E_NOTIMPL;
    *ppstm = SHCreateMemStream(nullptr, 0);
    return *ppstm ? S_OK : E_OUTOFMEMORY;
}
