#pragma once

#include <string>

#include "ComPlatform.h"
#include "QorError.h"

// Error reporting of the controls of the family.

// The text a control reports for a framework error: its message.
std::wstring CreateMessage(const QorError& error);

// Sets the thread's error-info record (description, help context, interface id, the class's
// ProgID as source, help file) and returns `hr`.
HRESULT TevReportError(LPCOLESTR message, DWORD helpContext, REFIID iid, REFCLSID clsid, HRESULT hr,
                       LPCOLESTR helpFile = OLESTR(""), HINSTANCE module = nullptr);
// As TevReportError, but a record already set on the thread stays as it is.
HRESULT TevReportErrorIfNotSet(LPCOLESTR message, DWORD helpContext, REFIID iid, REFCLSID clsid,
                               HRESULT hr, LPCOLESTR helpFile = OLESTR(""),
                               HINSTANCE module = nullptr);
void TevClearSystemErrorInfo();

// Whether `bytes` bytes at `address` can be written (or read, when `writable` is false) without
// a fault. Null is never valid.
bool TevIsValidAddress(const void* address, size_t bytes, bool writable = true);
