#pragma once

#include <exception>
#include <ostream>
#include <string>

// The exception base of the whole component: an integer code, a message and the place that
// raised it.
class QorError : public std::exception {
  public:
    QorError() = default;
    QorError(int code, std::string message, std::string file = {}, int line = 0);

    int code() const { return code_; }
    const std::string& message() const { return message_; }
    const std::string& file() const { return file_; }
    int line() const { return line_; }

    const char* what() const noexcept override { return message_.c_str(); }

    // "Error <code>: <message>".
    virtual void print(std::ostream& out) const;
    std::string printout() const;

    // errno of the last failing system call on this thread, and its text.
    static int lastOsErrorNumber();
    static std::string lastOsErrorText();
    static std::string osErrorText(int number);

  private:
    int code_ = 0;
    std::string message_;
    std::string file_;
    int line_ = 0;
};
