#include "ComGdi.h"

#include <mutex>
#include <set>

namespace {

std::mutex liveMutex;
std::set<const ComRecordingDC*>& live() {
    static std::set<const ComRecordingDC*> contexts;
    return contexts;
}

}  // namespace

ComRecordingDC::ComRecordingDC() {
    std::lock_guard lock(liveMutex);
    live().insert(this);
}

ComRecordingDC::~ComRecordingDC() {
    std::lock_guard lock(liveMutex);
    live().erase(this);
}

ComRecordingDC* ComRecordingDC::fromHandle(HDC hdc) {
    auto* dc = reinterpret_cast<ComRecordingDC*>(hdc);
    std::lock_guard lock(liveMutex);
    return live().count(dc) ? dc : nullptr;
}

extern "C" BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom) {
    ComRecordingDC* dc = ComRecordingDC::fromHandle(hdc);
    if (!dc) return FALSE;
    dc->add({ComRecordingDC::Item::Rectangle, RECT{left, top, right, bottom}, {}, {}});
    return TRUE;
}

extern "C" int DrawTextW(HDC hdc, LPCWSTR lpchText, int cchText, LPRECT lprc, UINT format) {
    ComRecordingDC* dc = ComRecordingDC::fromHandle(hdc);
    if (!dc || !lpchText || !lprc) return 0;
    const std::u16string text = cchText < 0
                                    ? std::u16string(lpchText)
                                    : std::u16string(lpchText, static_cast<size_t>(cchText));
    const LONG width = static_cast<LONG>(text.size()) * ComRecordingDC::kCharWidth;
    POINT origin{lprc->left, lprc->top};
    if (format & DT_CENTER) origin.x = lprc->left + (lprc->right - lprc->left - width) / 2;
    if ((format & DT_VCENTER) && (format & DT_SINGLELINE))
        origin.y = lprc->top + (lprc->bottom - lprc->top - ComRecordingDC::kLineHeight) / 2;
    dc->add({ComRecordingDC::Item::Text, *lprc, text, origin});
    return ComRecordingDC::kLineHeight;
}
