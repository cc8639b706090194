#include "QorSystem.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

QorFileStatus statusOf(const struct stat& info) {
    return {static_cast<uint64_t>(info.st_size), S_ISREG(info.st_mode), S_ISDIR(info.st_mode)};
}

}  // namespace

int qorOpenReadOnly(const std::string& utf8Path) {
    return ::open(utf8Path.c_str(), O_RDONLY | O_CLOEXEC);
}

int qorCreateReadWrite(const std::string& utf8Path) {
    return ::open(utf8Path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
}

int qorCloseDescriptor(int descriptor) {
    return ::close(descriptor);
}

int64_t qorReadAt(int descriptor, void* destination, size_t n, uint64_t offset) {
    ssize_t got;
    do got = ::pread(descriptor, destination, n, static_cast<off_t>(offset));
    while (got < 0 && errno == EINTR);
    return got;
}

int qorFileDescriptor(FILE* file) {
    return fileno(file);
}

std::optional<QorFileStatus> qorFileStatus(int descriptor) {
    struct stat info {};
    if (::fstat(descriptor, &info) != 0) return std::nullopt;
    return statusOf(info);
}

std::optional<QorFileStatus> qorPathStatus(const std::string& utf8Path) {
    struct stat info {};
    if (::stat(utf8Path.c_str(), &info) != 0) return std::nullopt;
    return statusOf(info);
}

std::string qorPathOfFileUrl(std::string urlPath) {
    return urlPath;
}

FILE* qorOpenFile(const std::string& utf8Path, const char* mode) {
    return std::fopen(utf8Path.c_str(), mode);
}

// File names here are bytes; they pass through as they are, valid UTF-8 or not.
std::filesystem::path qorFsPath(const std::string& utf8Path) {
    return std::filesystem::path(utf8Path);
}

int qorSeek(FILE* file, int64_t offset, int whence) {
    return ::fseeko(file, static_cast<off_t>(offset), whence);
}

int qorSetFileSize(FILE* file, uint64_t size) {
    return ::ftruncate(::fileno(file), static_cast<off_t>(size));
}

int64_t qorTell(FILE* file) {
    return ::ftello(file);
}

const uint8_t* qorMapReadOnly(int descriptor, size_t size) {
    void* mapped = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, descriptor, 0);
    return mapped == MAP_FAILED ? nullptr : static_cast<const uint8_t*>(mapped);
}

void qorUnmap(const uint8_t* data, size_t size) {
    ::munmap(const_cast<uint8_t*>(data), size);
}

bool qorSetEnvironment(const char* name, const char* value) {
    return ::setenv(name, value, 1) == 0;
}

std::string qorErrnoText(int number) {
    char buffer[256];
    // The GNU strerror_r may return a static string instead of filling the buffer.
    const char* text = strerror_r(number, buffer, sizeof buffer);
    return text ? text : "";
}

bool qorIsTerminal(FILE* stream) {
    return ::isatty(qorFileDescriptor(stream)) != 0;
}

std::vector<std::string> qorArguments(int argc, char** argv) {
    return std::vector<std::string>(argv, argv + argc);
}
