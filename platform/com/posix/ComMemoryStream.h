#pragma once

#include <memory>
#include <vector>

#include "ComStreamBase.h"

// A stream over bytes in memory. Streams made by Clone, or opened on one storage element, share
// the bytes and keep positions of their own.
class ComMemoryStream final : public ComStreamBase<ComMemoryStream> {
  public:
    explicit ComMemoryStream(std::shared_ptr<std::vector<BYTE>> bytes);

    uint64_t size() const { return bytes_->size(); }
    HRESULT readAt(uint64_t offset, void* pv, ULONG cb, ULONG& done);
    HRESULT writeAt(uint64_t offset, const void* pv, ULONG cb, ULONG& done);
    HRESULT resize(uint64_t size);

    HRESULT STDMETHODCALLTYPE Clone(IStream** ppstm) override;

  private:
    std::shared_ptr<std::vector<BYTE>> bytes_;
};
