#include "TestCanvas.h"

#include <cstdint>
#include <cstring>

namespace {

constexpr uint32_t kWhite = 0x00FFFFFF;

}  // namespace

// A 32-bit DIB selected into a memory device context, white to start with.
struct TestCanvas::Surface {
    int width;
    int height;
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ previous = nullptr;
    uint32_t* pixels = nullptr;

    Surface(int w, int h) : width(w), height(h), dc(CreateCompatibleDC(nullptr)) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = w;
        info.bmiHeader.biHeight = -h;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        pixels = static_cast<uint32_t*>(bits);
        previous = SelectObject(dc, bitmap);
        for (int i = 0; i < w * h; ++i) pixels[i] = kWhite;
    }
    ~Surface() {
        SelectObject(dc, previous);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    uint32_t at(int x, int y) const { return pixels[y * width + x] & kWhite; }
};

TestCanvas::TestCanvas(int width, int height)
    : surface_(std::make_unique<Surface>(width, height)) {}

TestCanvas::~TestCanvas() = default;

HDC TestCanvas::handle() const {
    return surface_->dc;
}

bool TestCanvas::framed() const {
    const Surface& s = *surface_;
    if (!s.pixels) return false;
    for (int x = 0; x < s.width; ++x)
        if (s.at(x, 0) == kWhite || s.at(x, s.height - 1) == kWhite) return false;
    for (int y = 0; y < s.height; ++y)
        if (s.at(0, y) == kWhite || s.at(s.width - 1, y) == kWhite) return false;
    return true;
}

// The text is inked, and inked where GDI itself puts a centred line of it.
bool TestCanvas::showsCentred(const ComString& text) const {
    const Surface& s = *surface_;
    Surface reference(s.width, s.height);
    if (!s.pixels || !reference.pixels) return false;
    RECT bounds{0, 0, s.width, s.height};
    Rectangle(reference.dc, 0, 0, s.width, s.height);
    DrawTextW(reference.dc, text.c_str(), static_cast<int>(text.size()), &bounds,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    GdiFlush();
    bool inked = false;
    for (int y = 1; y < s.height - 1; ++y)
        for (int x = 1; x < s.width - 1; ++x) {
            if (s.at(x, y) != reference.at(x, y)) return false;
            inked = inked || s.at(x, y) != kWhite;
        }
    return inked;
}
