#include "CameraTestSupport.h"

#include <unistd.h>

#include <iostream>

OutputCapture::OutputCapture() : file_(std::tmpfile()) {
    std::cout.flush();
    std::fflush(nullptr);
    for (int fd : {1, 2}) {
        saved_[fd - 1] = dup(fd);
        dup2(fileno(file_), fd);
    }
}

OutputCapture::~OutputCapture() {
    finish();
}

std::string OutputCapture::finish() {
    if (!file_) return {};
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
    for (int fd : {1, 2}) {
        dup2(saved_[fd - 1], fd);
        close(saved_[fd - 1]);
    }
    std::string written;
    std::rewind(file_);
    char chunk[4096];
    size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file_)) > 0) written.append(chunk, got);
    std::fclose(file_);
    file_ = nullptr;
    return written;
}
