#include "QorSystem.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>

#include "QorString.h"

namespace {

// ReadFile takes a 32-bit count; a shorter read is what pread may return too.
constexpr size_t kMaxRead = size_t{1} << 30;

// errno for what a failed system call left in GetLastError, as the C library maps it.
int errnoOf(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
            return ENOENT;
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
            return EACCES;
        case ERROR_INVALID_HANDLE:
            return EBADF;
        case ERROR_NOT_ENOUGH_MEMORY:
        case ERROR_OUTOFMEMORY:
        case ERROR_COMMITMENT_LIMIT:
            return ENOMEM;
        case ERROR_INVALID_PARAMETER:
            return EINVAL;
        default:
            return EIO;
    }
}

int failWith(DWORD error) {
    errno = errnoOf(error);
    return -1;
}

HANDLE handleOf(int descriptor) {
    return reinterpret_cast<HANDLE>(_get_osfhandle(descriptor));
}

struct HandleCloser {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};

struct LocalFreer {
    void operator()(void* memory) const { LocalFree(memory); }
};

// A read at an offset still moves the position of a handle opened for synchronous use, and the
// C library's streams on the descriptor go by that position. It is put back under a lock that
// every positional read of the descriptor takes; the system runs calls on such a handle one at
// a time in any case. A stream read on another thread at the same moment could still see the
// position moved: the component never reads a stream and reads at offsets together.
std::mutex& positionLock(int descriptor) {
    static std::array<std::mutex, 64> locks;
    return locks[static_cast<size_t>(descriptor) % locks.size()];
}

QorFileStatus statusOf(const struct _stat64& info) {
    return {static_cast<uint64_t>(info.st_size), (info.st_mode & _S_IFMT) == _S_IFREG,
            (info.st_mode & _S_IFMT) == _S_IFDIR};
}

bool isSeparator(wchar_t c) {
    return c == L'/' || c == L'\\';
}

// The C library's stat refuses a folder named with a separator at the end; roots keep theirs.
std::wstring withoutTrailingSeparators(std::wstring path) {
    while (path.size() > 1 && isSeparator(path.back()) && path[path.size() - 2] != L':')
        path.pop_back();
    return path;
}

}  // namespace

// Shared for deletion too, so that a host may replace or remove a file the component keeps
// open, as it can on Linux. The handle is not inherited by child processes.
int qorOpenReadOnly(const std::string& utf8Path) {
    const HANDLE handle = CreateFileW(qorWiden(utf8Path).c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return failWith(GetLastError());
    const int descriptor =
        _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDONLY | _O_BINARY);
    if (descriptor < 0) CloseHandle(handle);
    return descriptor;
}

int qorCreateReadWrite(const std::string& utf8Path) {
    return _wopen(qorWiden(utf8Path).c_str(),
                  _O_RDWR | _O_CREAT | _O_TRUNC | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
}

int qorCloseDescriptor(int descriptor) {
    return _close(descriptor);
}

int64_t qorReadAt(int descriptor, void* destination, size_t n, uint64_t offset) {
    const HANDLE handle = handleOf(descriptor);
    if (handle == INVALID_HANDLE_VALUE) return failWith(ERROR_INVALID_HANDLE);
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD got = 0;
    std::lock_guard lock(positionLock(descriptor));
    LARGE_INTEGER position{};
    if (!SetFilePointerEx(handle, LARGE_INTEGER{}, &position, FILE_CURRENT))
        return failWith(GetLastError());
    const bool read =
        ReadFile(handle, destination, static_cast<DWORD>(std::min(n, kMaxRead)), &got, &at);
    const DWORD error = read ? ERROR_SUCCESS : GetLastError();
    SetFilePointerEx(handle, position, nullptr, FILE_BEGIN);
    if (!read && error != ERROR_HANDLE_EOF) return failWith(error);
    return read ? static_cast<int64_t>(got) : 0;
}

int qorFileDescriptor(FILE* file) {
    return _fileno(file);
}

std::optional<QorFileStatus> qorFileStatus(int descriptor) {
    struct _stat64 info {};
    if (_fstat64(descriptor, &info) != 0) return std::nullopt;
    return statusOf(info);
}

std::optional<QorFileStatus> qorPathStatus(const std::string& utf8Path) {
    struct _stat64 info {};
    if (_wstat64(withoutTrailingSeparators(qorWiden(utf8Path)).c_str(), &info) != 0)
        return std::nullopt;
    return statusOf(info);
}

std::string qorPathOfFileUrl(std::string urlPath) {
    const bool drive = urlPath.size() >= 3 && urlPath[0] == '/' &&
                       std::isalpha(static_cast<unsigned char>(urlPath[1])) && urlPath[2] == ':';
    if (drive) urlPath.erase(0, 1);
    return urlPath;
}

FILE* qorOpenFile(const std::string& utf8Path, const char* mode) {
    if (std::strcmp(mode, "rb") != 0)
        return _wfopen(qorWiden(utf8Path).c_str(), qorWiden(mode).c_str());
    const int descriptor = qorOpenReadOnly(utf8Path);
    if (descriptor < 0) return nullptr;
    FILE* file = _fdopen(descriptor, "rb");
    if (!file) _close(descriptor);
    return file;
}

std::filesystem::path qorFsPath(const std::string& utf8Path) {
    return std::filesystem::path(qorWiden(utf8Path));
}

int qorSeek(FILE* file, int64_t offset, int whence) {
    return _fseeki64(file, offset, whence);
}

int64_t qorTell(FILE* file) {
    return _ftelli64(file);
}

int qorSetFileSize(FILE* file, uint64_t size) {
    const errno_t failure = _chsize_s(_fileno(file), static_cast<__int64>(size));
    if (failure) errno = failure;
    return failure ? -1 : 0;
}

const uint8_t* qorMapReadOnly(int descriptor, size_t size) {
    const HANDLE handle = handleOf(descriptor);
    if (handle == INVALID_HANDLE_VALUE) {
        failWith(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    // The view keeps the mapping alive once the mapping's own handle is closed.
    const std::unique_ptr<void, HandleCloser> mapping(
        CreateFileMappingW(handle, nullptr, PAGE_READONLY, 0, 0, nullptr));
    if (!mapping) {
        failWith(GetLastError());
        return nullptr;
    }
    const void* view = MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, size);
    if (!view) failWith(GetLastError());
    return static_cast<const uint8_t*>(view);
}

void qorUnmap(const uint8_t* data, size_t) {
    UnmapViewOfFile(data);
}

bool qorSetEnvironment(const char* name, const char* value) {
    const errno_t status = _putenv_s(name, value);
    if (status != 0) errno = status;
    return status == 0;
}

std::string qorErrnoText(int number) {
    char buffer[256];
    return strerror_s(buffer, sizeof buffer, number) == 0 ? buffer : "";
}

bool qorIsTerminal(FILE* stream) {
    return _isatty(qorFileDescriptor(stream)) != 0;
}

// main() gets its arguments in the ANSI code page, which cannot hold every file name.
std::vector<std::string> qorArguments(int argc, char** argv) {
    int count = 0;
    const std::unique_ptr<wchar_t*, LocalFreer> wide(CommandLineToArgvW(GetCommandLineW(), &count));
    if (!wide) return std::vector<std::string>(argv, argv + argc);
    std::vector<std::string> arguments;
    for (int i = 0; i < count; ++i)
        arguments.push_back(qorNarrow(std::wstring_view(wide.get()[i])));
    return arguments;
}
