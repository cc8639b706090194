#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// A file mapped read-only into memory; unmapped when destroyed or closed.
class JpdMappedFile {
  public:
    JpdMappedFile() = default;
    ~JpdMappedFile();
    JpdMappedFile(const JpdMappedFile&) = delete;
    JpdMappedFile& operator=(const JpdMappedFile&) = delete;

    // Maps `path`; false (and the reason in error()) when it cannot.
    bool open(const std::string& path);
    void close();

    bool isOpen() const { return open_; }
    const uint8_t* data() const { return data_; }
    size_t size() const { return size_; }
    const std::string& error() const { return error_; }

  private:
    const uint8_t* data_ = nullptr;
    size_t size_ = 0;
    bool open_ = false;
    std::string error_;
};
