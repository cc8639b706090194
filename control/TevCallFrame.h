#pragma once

#include <string>

#include <type_traits>

#include "ComString.h"
#include "QorError.h"
#include "TevErrors.h"

// The frame the control's methods run in: the thread's error-info record is cleared first;
// framework errors are reported with their own message and the method's help number and result,
// other exceptions with the method's fixed message, help number 1 and E_FAIL.
class TevCallFrame {
  public:
    // What a method reports for a framework error.
    struct Outcome {
        DWORD help;
        HRESULT result;
    };

    TevCallFrame(REFIID iid, ComString otherMessage);

    // "Received a Non-ZynError exception while calling <method>()."
    static ComString nonFrameworkMessage(const OLECHAR* method);

    HRESULT report(const ComString& message, DWORD help, HRESULT result) const;
    // A bad out-pointer: help 6, E_POINTER.
    HRESULT badPointer(const OLECHAR* message) const;
    // A bad argument: "Bad argument passed in.", help 5, E_POINTER.
    HRESULT badArgument() const;

    // Runs `body`, which returns nothing (success) or a result of its own.
    template <class Body>
    HRESULT run(DWORD frameworkHelp, Body&& body) const {
        return runClassified(body, [&] { return Outcome{frameworkHelp, E_FAIL}; });
    }

    // As run, with the help number and result of a framework error chosen by `classify`.
    template <class Body, class Classify>
    HRESULT runClassified(Body&& body, Classify&& classify) const {
        try {
            if constexpr (std::is_void_v<decltype(body())>) {
                body();
                return S_OK;
            } else {
                return body();
            }
        } catch (const QorError& error) {
            const Outcome outcome = classify();
            return report(frameworkMessage(error), outcome.help, outcome.result);
        } catch (...) {
            return report(otherMessage_, 1, E_FAIL);
        }
    }

  private:
    static ComString frameworkMessage(const QorError& error);

    const IID& iid_;
    ComString otherMessage_;
};

// Whether `p` can take a T (the out-pointer check of every method).
template <class T>
bool tevWritable(T* p) {
    return TevIsValidAddress(p, sizeof(T));
}
