#include "TevCallFrame.h"

#include "ComString.h"
#include "TevAnyFileSourceCtrl.h"

TevCallFrame::TevCallFrame(REFIID iid, ComString otherMessage)
    : iid_(iid), otherMessage_(std::move(otherMessage)) {
    TevClearSystemErrorInfo();
}

ComString TevCallFrame::nonFrameworkMessage(const OLECHAR* method) {
    return OLESTR("Received a Non-ZynError exception while calling ") + ComString(method) +
           OLESTR("().");
}

ComString TevCallFrame::frameworkMessage(const QorError& error) {
    return comFromWide(CreateMessage(error));
}

HRESULT TevCallFrame::report(const ComString& message, DWORD help, HRESULT result) const {
    return TevReportError(message.c_str(), help, iid_, CLSID_TevAnyFileSource, result);
}

HRESULT TevCallFrame::badPointer(const OLECHAR* message) const {
    return report(message, 6, E_POINTER);
}

HRESULT TevCallFrame::badArgument() const {
    return report(OLESTR("Bad argument passed in."), 5, E_POINTER);
}
