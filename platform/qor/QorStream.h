#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

class QorStream;

enum class QorSeekOrigin { Start, Current };

// A reading cursor over a stream with a position of its own. Reads are positional, so views on
// one stream may be used from several threads at once. Small reads go through a read-ahead buffer.
class QorStreamView {
  public:
    QorStreamView() = default;
    explicit QorStreamView(const QorStream& stream);

    // Reads up to n bytes; returns the count read. A short read leaves an error pending.
    int64_t read(void* destination, int64_t n);
    uint64_t tell() const { return position_; }
    // Returns 0 on success, non-zero (and an error pending) on failure.
    int seek(int64_t offset, QorSeekOrigin origin = QorSeekOrigin::Start);

    bool errorPending() const { return !error_.empty(); }
    const std::string& errorText() const { return error_; }
    void release();

  private:
    const QorStream* stream_ = nullptr;
    uint64_t position_ = 0;
    std::string error_;
    std::unique_ptr<unsigned char[]> ahead_;
    uint64_t aheadStart_ = 0;
    size_t aheadSize_ = 0;
};

// A stream on a local file. Names may be plain paths, "file:" followed by a path, or file:// URLs.
class QorStream {
  public:
    ~QorStream();
    QorStream(const QorStream&) = delete;
    QorStream& operator=(const QorStream&) = delete;

    // True for names of the form scheme://..., file:// included.
    static bool isURL(std::wstring_view name);

    const std::string& path() const { return path_; }
    // The standard-library stream the file is read through.
    FILE* file() const { return file_; }
    int descriptor() const;
    uint64_t size() const;

    QorStreamView view() const { return QorStreamView(*this); }

    // The stream's own cursor.
    int64_t read(void* destination, int64_t n);
    uint64_t tell() const { return cursor_.tell(); }
    int seek(int64_t offset, QorSeekOrigin origin = QorSeekOrigin::Start);
    bool errorPending() const { return cursor_.errorPending(); }
    const std::string& errorText() const { return cursor_.errorText(); }

  private:
    friend class QorStreamFactory;
    QorStream(std::string path, FILE* file);

    std::string path_;
    FILE* file_;
    QorStreamView cursor_;
};

// Local path for a stream name, or the empty string when the name is a URL of another scheme.
std::string qorLocalPath(std::wstring_view name);
std::string qorLocalPath(std::string_view name);

class QorStreamFactory {
  public:
    // Opens `name` for reading; mode must be a reading mode ("r", "rb"). Returns null and keeps the
    // reason in error() on failure. `flag` is accepted for callers that pass one and ignored.
    std::unique_ptr<QorStream> create(std::wstring_view name, const char* mode = "rb",
                                      bool flag = false);
    const class QorError& error() const;

    QorStreamFactory();
    ~QorStreamFactory();

  private:
    std::unique_ptr<class QorError> error_;
};
