#include "TevCallFrame.h"

#include "ComString.h"
#include "TevAnyFileSourceCtrl.h"

TevCallFrame::TevCallFrame(REFIID iid, std::u16string otherMessage)
    : iid_(iid), otherMessage_(std::move(otherMessage)) {
    TevClearSystemErrorInfo();
}

std::u16string TevCallFrame::nonFrameworkMessage(const char16_t* method) {
    return u"Received a Non-ZynError exception while calling " + std::u16string(method) + u"().";
}

std::u16string TevCallFrame::frameworkMessage(const QorError& error) {
    return comFromWide(CreateMessage(error));
}

HRESULT TevCallFrame::report(const std::u16string& message, DWORD help, HRESULT result) const {
    return TevReportError(message.c_str(), help, iid_, CLSID_TevAnyFileSource, result);
}

HRESULT TevCallFrame::badPointer(const char16_t* message) const {
    return report(message, 6, E_POINTER);
}

HRESULT TevCallFrame::badArgument() const {
    return report(u"Bad argument passed in.", 5, E_POINTER);
}
