#include "ComFileStream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <new>

#include "ComString.h"

namespace {

HRESULT resultOfErrno(HRESULT fallback) {
    switch (errno) {
        case ENOENT:
            return STG_E_FILENOTFOUND;
        case EACCES:
        case EBADF:
        case EPERM:
        case EROFS:
            return STG_E_ACCESSDENIED;
        case ENOSPC:
            return STG_E_MEDIUMFULL;
        default:
            return fallback;
    }
}

}  // namespace

ComFileStream::File::~File() {
    close(fd);
}

ComFileStream::ComFileStream(int fd) : file_(std::make_shared<File>(fd)) {}

uint64_t ComFileStream::size() const {
    struct stat info {};
    return fstat(file_->fd, &info) == 0 ? static_cast<uint64_t>(info.st_size) : 0;
}

HRESULT ComFileStream::readAt(uint64_t offset, void* pv, ULONG cb, ULONG& done) {
    done = 0;
    while (done < cb) {
        const ssize_t n = pread(file_->fd, static_cast<char*>(pv) + done, cb - done,
                                static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return resultOfErrno(STG_E_READFAULT);
        if (n == 0) break;
        done += static_cast<ULONG>(n);
    }
    return S_OK;
}

HRESULT ComFileStream::writeAt(uint64_t offset, const void* pv, ULONG cb, ULONG& done) {
    done = 0;
    while (done < cb) {
        const ssize_t n = pwrite(file_->fd, static_cast<const char*>(pv) + done, cb - done,
                                 static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return resultOfErrno(STG_E_WRITEFAULT);
        done += static_cast<ULONG>(n);
    }
    return S_OK;
}

HRESULT ComFileStream::resize(uint64_t size) {
    return ftruncate(file_->fd, static_cast<off_t>(size)) == 0 ? S_OK
                                                               : resultOfErrno(STG_E_WRITEFAULT);
}

HRESULT STDMETHODCALLTYPE ComFileStream::Clone(IStream** ppstm) {
    if (!ppstm) return STG_E_INVALIDPOINTER;
    auto* copy = new (std::nothrow) ComFileStream(file_);
    if (!copy) return E_OUTOFMEMORY;
    copy->position_ = position_;
    *ppstm = copy;
    return S_OK;
}

STDAPI SHCreateStreamOnFileW(LPCWSTR pszFile, DWORD grfMode, IStream** ppstm) {
    if (!pszFile || !ppstm) return E_INVALIDARG;
    *ppstm = nullptr;
    int flags = O_RDONLY;
    if (grfMode & STGM_READWRITE)
        flags = O_RDWR;
    else if (grfMode & STGM_WRITE)
        flags = O_WRONLY;
    if (grfMode & STGM_CREATE) flags |= O_CREAT | O_TRUNC;
    const int fd = open(comToUtf8(pszFile).c_str(), flags | O_CLOEXEC, 0666);
    if (fd < 0) return resultOfErrno(STG_E_FILENOTFOUND);
    *ppstm = new (std::nothrow) ComFileStream(fd);
    if (!*ppstm) {
        close(fd);
        return E_OUTOFMEMORY;
    }
    return S_OK;
}
