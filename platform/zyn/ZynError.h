#pragma once

#include "QorError.h"

// The framework's exception and status record.
class ZynError : public QorError {
  public:
    ZynError() = default;
    ZynError(int code, std::string message, std::string file = {}, int line = 0)
        : QorError(code, std::move(message), std::move(file), line) {}
    explicit ZynError(const QorError& other) : QorError(other) {}
};
