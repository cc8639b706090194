#include "QorStream.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>

#include "QorError.h"
#include "QorString.h"
#include "QorSystem.h"

namespace {

constexpr size_t kReadAhead = 4096;

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string percentDecode(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 &&
            hexValue(text[i + 2]) >= 0) {
            out += static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

bool startsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// Length of a leading "scheme://", or 0.
size_t schemeLength(std::string_view name) {
    const size_t colon = name.find("://");
    if (colon == std::string_view::npos || colon < 2) return 0;
    for (size_t i = 0; i < colon; ++i) {
        const char c = name[i];
        const bool ok = std::isalpha(static_cast<unsigned char>(c)) ||
                        (i > 0 && (std::isdigit(static_cast<unsigned char>(c)) || c == '+' ||
                                   c == '-' || c == '.'));
        if (!ok) return 0;
    }
    return colon + 3;
}

}  // namespace

QorStreamView::QorStreamView(const QorStream& stream) : stream_(&stream) {}

int64_t QorStreamView::read(void* destination, int64_t n) {
    if (!stream_) {
        error_ = "read from a released stream view";
        return 0;
    }
    auto* out = static_cast<unsigned char*>(destination);
    int64_t done = 0;
    if (n <= 0) return 0;
    const int fd = stream_->descriptor();
    if (static_cast<uint64_t>(n) < kReadAhead) {
        if (position_ < aheadStart_ || position_ + n > aheadStart_ + aheadSize_) {
            if (!ahead_) ahead_ = std::make_unique<unsigned char[]>(kReadAhead);
            const int64_t got = qorReadAt(fd, ahead_.get(), kReadAhead, position_);
            aheadStart_ = position_;
            aheadSize_ = got > 0 ? static_cast<size_t>(got) : 0;
            if (got < 0) {
                error_ =
                    "Error reading \"" + stream_->path() + "\": " + QorError::lastOsErrorText();
                return 0;
            }
        }
        const uint64_t available = aheadStart_ + aheadSize_ - position_;
        done = std::min<int64_t>(n, static_cast<int64_t>(available));
        std::memcpy(out, ahead_.get() + (position_ - aheadStart_), static_cast<size_t>(done));
    } else {
        while (done < n) {
            const int64_t got =
                qorReadAt(fd, out + done, static_cast<size_t>(n - done), position_ + done);
            if (got < 0) {
                error_ =
                    "Error reading \"" + stream_->path() + "\": " + QorError::lastOsErrorText();
                break;
            }
            if (got == 0) break;
            done += got;
        }
    }
    position_ += static_cast<uint64_t>(done);
    if (done < n && error_.empty())
        error_ = "Unexpected end of file in \"" + stream_->path() + "\" at byte " +
                 std::to_string(position_);
    return done;
}

int QorStreamView::seek(int64_t offset, QorSeekOrigin origin) {
    const int64_t base = origin == QorSeekOrigin::Start ? 0 : static_cast<int64_t>(position_);
    if (!stream_ || offset > INT64_MAX - base || base + offset < 0) {
        error_ = "Invalid seek in \"" + (stream_ ? stream_->path() : std::string()) + "\"";
        return -1;
    }
    position_ = static_cast<uint64_t>(base + offset);
    return 0;
}

void QorStreamView::release() {
    stream_ = nullptr;
    ahead_.reset();
    aheadSize_ = 0;
}

QorStream::QorStream(std::string path, FILE* file)
    : path_(std::move(path)), file_(file), cursor_(*this) {}

QorStream::~QorStream() {
    if (file_) std::fclose(file_);
}

bool QorStream::isURL(std::wstring_view name) {
    return schemeLength(qorNarrow(name)) > 0;
}

int QorStream::descriptor() const {
    return qorFileDescriptor(file_);
}

uint64_t QorStream::size() const {
    return qorFileSize(descriptor());
}

int64_t QorStream::read(void* destination, int64_t n) {
    return cursor_.read(destination, n);
}

int QorStream::seek(int64_t offset, QorSeekOrigin origin) {
    return cursor_.seek(offset, origin);
}

std::string qorLocalPath(std::string_view name) {
    if (startsWith(name, "file://")) {
        std::string_view rest = name.substr(7);
        if (startsWith(rest, "localhost/")) rest.remove_prefix(9);
        if (!startsWith(rest, "/")) return {};
        return qorPathOfFileUrl(percentDecode(rest));
    }
    if (schemeLength(name) > 0) return {};
    if (startsWith(name, "file:")) return std::string(name.substr(5));
    return std::string(name);
}

std::string qorLocalPath(std::wstring_view name) {
    return qorLocalPath(qorNarrow(name));
}

QorStreamFactory::QorStreamFactory() : error_(std::make_unique<QorError>()) {}
QorStreamFactory::~QorStreamFactory() = default;

const QorError& QorStreamFactory::error() const {
    return *error_;
}

std::unique_ptr<QorStream> QorStreamFactory::create(std::wstring_view name, const char* mode,
                                                    bool) {
    const std::string narrow = qorNarrow(name);
    if (!mode || mode[0] != 'r' || std::strchr(mode, '+') || std::strchr(mode, 'w')) {
        *error_ = QorError(130, "Streams are read-only; cannot open \"" + narrow + "\" with mode " +
                                    (mode ? mode : "(null)"));
        return nullptr;
    }
    const std::string path = qorLocalPath(narrow);
    if (path.empty()) {
        *error_ = QorError(130, narrow.empty() ? std::string("Empty stream name")
                                               : "Unsupported URL scheme in \"" + narrow + "\"");
        return nullptr;
    }
    FILE* file = qorOpenFile(path, "rb");
    if (!file) {
        const int number = errno;
        *error_ = QorError(130, "Cannot open \"" + path + "\": " + QorError::osErrorText(number));
        return nullptr;
    }
    const std::optional<QorFileStatus> status = qorFileStatus(file);
    if (status && status->directory) {
        std::fclose(file);
        *error_ = QorError(130, "Cannot open \"" + path + "\": " + QorError::osErrorText(EISDIR));
        return nullptr;
    }
    return std::unique_ptr<QorStream>(new QorStream(path, file));
}
