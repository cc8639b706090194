#pragma once

#include <stdexcept>
#include <string>

#include "ComPtr.h"
#include "TevAnyFileSourceCtrl.h"

// A failed call of the control: the message of its error-info record, and its result.
class ControlError : public std::runtime_error {
  public:
    ControlError(const std::string& message, HRESULT result);
    HRESULT result() const { return result_; }

  private:
    HRESULT result_;
};

// The component's control as this host holds it: created by its ProgID when the component is
// registered, else through the library's own class object.
class AnyImageControl {
  public:
    AnyImageControl();

    ITevAnyFileSource* operator->() const { return control_.get(); }
    template <class T>
    ComPtr<T> as(REFIID iid) const {
        return control_.query<T>(iid);
    }
    // "TevAnyFileSource.TevAnyFileSource (registered server PATH)", or how else it was made.
    const std::string& origin() const { return origin_; }

    // Throws ControlError when `hr` is a failure.
    static void check(HRESULT hr);

  private:
    ComPtr<ITevAnyFileSource> control_;
    std::string origin_;
};
