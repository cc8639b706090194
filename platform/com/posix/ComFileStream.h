#pragma once

#include <memory>

#include "ComStreamBase.h"

// A stream on an open file, read and written positionally. Clones share the file.
class ComFileStream final : public ComStreamBase<ComFileStream> {
  public:
    // Takes ownership of `fd`.
    explicit ComFileStream(int fd);

    uint64_t size() const;
    HRESULT readAt(uint64_t offset, void* pv, ULONG cb, ULONG& done);
    HRESULT writeAt(uint64_t offset, const void* pv, ULONG cb, ULONG& done);
    HRESULT resize(uint64_t size);

    HRESULT STDMETHODCALLTYPE Clone(IStream** ppstm) override;

  private:
    struct File {
        explicit File(int descriptor) : fd(descriptor) {}
        File(const File&) = delete;
        File& operator=(const File&) = delete;
        ~File();
        int fd;
    };
    explicit ComFileStream(std::shared_ptr<File> file) : file_(std::move(file)) {}

    std::shared_ptr<File> file_;
};
