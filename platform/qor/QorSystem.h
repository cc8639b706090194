#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// What the component asks of the operating system. Paths are UTF-8 throughout the component;
// each system turns them into its own form only here. Failures leave errno set.

// A descriptor for reading, not inherited by child processes; -1 when the file cannot be opened.
int qorOpenReadOnly(const std::string& utf8Path);
// A descriptor for reading and writing an empty file, created or cut to nothing, likewise.
int qorCreateReadWrite(const std::string& utf8Path);
int qorCloseDescriptor(int descriptor);

// Reads up to n bytes at `offset` as pread does, so several threads may read one descriptor at
// once; the count read, 0 at the end of the file, -1 on failure. Interrupted reads are retried.
int64_t qorReadAt(int descriptor, void* destination, size_t n, uint64_t offset);

// A descriptor closed when its holder goes (-1: none).
class QorDescriptor {
  public:
    QorDescriptor() = default;
    explicit QorDescriptor(int descriptor) : descriptor_(descriptor) {}
    QorDescriptor(QorDescriptor&& other) noexcept
        : descriptor_(std::exchange(other.descriptor_, -1)) {}
    QorDescriptor& operator=(QorDescriptor&& other) noexcept {
        if (this != &other) reset(std::exchange(other.descriptor_, -1));
        return *this;
    }
    ~QorDescriptor() { reset(); }

    int get() const { return descriptor_; }
    // Gives the descriptor up without closing it.
    int release() { return std::exchange(descriptor_, -1); }
    void reset(int descriptor = -1) {
        if (descriptor_ >= 0) qorCloseDescriptor(descriptor_);
        descriptor_ = descriptor;
    }

  private:
    int descriptor_ = -1;
};

struct QorFileStatus {
    uint64_t size = 0;
    bool regular = false;
    bool directory = false;
};

// The descriptor under a standard-library stream.
int qorFileDescriptor(FILE* file);

// The status of an open or a named file; nothing when the system cannot give it.
std::optional<QorFileStatus> qorFileStatus(int descriptor);
std::optional<QorFileStatus> qorPathStatus(const std::string& utf8Path);
inline std::optional<QorFileStatus> qorFileStatus(FILE* file) {
    return qorFileStatus(qorFileDescriptor(file));
}

// The size of an open file of any kind; 0 when it is not known.
inline uint64_t qorFileSize(int descriptor) {
    const std::optional<QorFileStatus> status = qorFileStatus(descriptor);
    return status ? status->size : 0;
}
inline uint64_t qorFileSize(FILE* file) {
    const std::optional<QorFileStatus> status = qorFileStatus(file);
    return status ? status->size : 0;
}

inline bool qorIsRegularFile(const std::string& utf8Path) {
    const std::optional<QorFileStatus> status = qorPathStatus(utf8Path);
    return status && status->regular;
}
inline bool qorIsDirectory(const std::string& utf8Path) {
    const std::optional<QorFileStatus> status = qorPathStatus(utf8Path);
    return status && status->directory;
}

// The local path the path of a file URL names: the same, or C:/x for /C:/x on Windows.
std::string qorPathOfFileUrl(std::string urlPath);

// std::fopen of a UTF-8 path.
FILE* qorOpenFile(const std::string& utf8Path, const char* mode);
// The path the standard library's file streams and std::filesystem take for a UTF-8 path.
std::filesystem::path qorFsPath(const std::string& utf8Path);

// fseek and ftell with offsets of 64 bits whatever the size of long.
int qorSeek(FILE* file, int64_t offset, int whence);
int64_t qorTell(FILE* file);
// Cuts or extends an open file to `size` bytes, as ftruncate does; 0 on success. Flush first.
int qorSetFileSize(FILE* file, uint64_t size);

// The first `size` bytes (size > 0) of an open file, mapped read-only and privately; null when
// they cannot be mapped. The mapping outlives the descriptor and goes with qorUnmap.
const uint8_t* qorMapReadOnly(int descriptor, size_t size);
void qorUnmap(const uint8_t* data, size_t size);

// Sets a variable of the process's environment, replacing its value; false when it cannot.
// Threads that read the environment meanwhile may see it half written.
bool qorSetEnvironment(const char* name, const char* value);

// The system's text for an errno value.
std::string qorErrnoText(int number);

bool qorIsTerminal(FILE* stream);

// The program's arguments as UTF-8, whatever code page the system handed main() them in.
std::vector<std::string> qorArguments(int argc, char** argv);
