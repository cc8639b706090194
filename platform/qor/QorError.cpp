#include "QorError.h"

#include <cerrno>
#include <sstream>

#include "QorSystem.h"

QorError::QorError(int code, std::string message, std::string file, int line)
    : code_(code), message_(std::move(message)), file_(std::move(file)), line_(line) {}

void QorError::print(std::ostream& out) const {
    out << "Error " << code_ << ": " << message_;
}

std::string QorError::printout() const {
    std::ostringstream out;
    print(out);
    return out.str();
}

int QorError::lastOsErrorNumber() {
    return errno;
}

std::string QorError::lastOsErrorText() {
    return osErrorText(errno);
}

std::string QorError::osErrorText(int number) {
    return qorErrnoText(number);
}
