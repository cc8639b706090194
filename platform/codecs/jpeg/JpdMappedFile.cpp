#include "JpdMappedFile.h"

#include "QorError.h"
#include "QorSystem.h"

JpdMappedFile::~JpdMappedFile() {
    close();
}

bool JpdMappedFile::open(const std::string& path) {
    close();
    const QorDescriptor descriptor(qorOpenReadOnly(path));
    if (descriptor.get() < 0) {
        error_ = "cannot open \"" + path + "\": " + QorError::lastOsErrorText();
        return false;
    }
    const std::optional<QorFileStatus> status = qorFileStatus(descriptor.get());
    if (!status || !status->regular) {
        error_ = "\"" + path + "\" is not a regular file";
        return false;
    }
    // An empty file has nothing to map; it reads as no bytes at all.
    if (status->size > 0) {
        data_ = qorMapReadOnly(descriptor.get(), static_cast<size_t>(status->size));
        if (!data_) {
            error_ = "cannot map \"" + path + "\": " + QorError::lastOsErrorText();
            return false;
        }
        size_ = static_cast<size_t>(status->size);
    }
    open_ = true;
    return true;
}

void JpdMappedFile::close() {
    if (data_) qorUnmap(data_, size_);
    data_ = nullptr;
    size_ = 0;
    open_ = false;
}
