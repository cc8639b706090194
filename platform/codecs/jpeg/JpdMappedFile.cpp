#include "JpdMappedFile.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

JpdMappedFile::~JpdMappedFile() {
    close();
}

bool JpdMappedFile::open(const std::string& path) {
    close();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error_ = "cannot open \"" + path + "\": " + std::strerror(errno);
        return false;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        error_ = "\"" + path + "\" is not a regular file";
        ::close(fd);
        return false;
    }
    size_ = static_cast<size_t>(info.st_size);
    // An empty file has nothing to map; it reads as no bytes at all.
    if (size_ > 0) {
        void* mapped = ::mmap(nullptr, size_, PROT_READ, MAP_PRIVATE, fd, 0);
        if (mapped == MAP_FAILED) {
            error_ = "cannot map \"" + path + "\": " + std::strerror(errno);
            ::close(fd);
            size_ = 0;
            return false;
        }
        data_ = static_cast<const uint8_t*>(mapped);
    }
    ::close(fd);
    open_ = true;
    return true;
}

void JpdMappedFile::close() {
    if (data_) ::munmap(const_cast<uint8_t*>(data_), size_);
    data_ = nullptr;
    size_ = 0;
    open_ = false;
}
