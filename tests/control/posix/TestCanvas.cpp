#include "TestCanvas.h"

// Here the drawing is a record of GDI calls, laid out in fixed-width cells.
struct TestCanvas::Surface {
    int width;
    int height;
    ComRecordingDC dc;
};

TestCanvas::TestCanvas(int width, int height)
    : surface_(std::make_unique<Surface>(width, height)) {}

TestCanvas::~TestCanvas() = default;

HDC TestCanvas::handle() const {
    return surface_->dc.handle();
}

bool TestCanvas::framed() const {
    const auto& items = surface_->dc.items();
    return !items.empty() && items[0].kind == ComRecordingDC::Item::Rectangle &&
           items[0].rect.left == 0 && items[0].rect.top == 0 &&
           items[0].rect.right == surface_->width && items[0].rect.bottom == surface_->height;
}

bool TestCanvas::showsCentred(const ComString& text) const {
    const auto& items = surface_->dc.items();
    if (items.size() != 2 || items[1].kind != ComRecordingDC::Item::Text) return false;
    const int width = static_cast<int>(text.size()) * ComRecordingDC::kCharWidth;
    return items[1].text == text && items[1].origin.x == (surface_->width - width) / 2 &&
           items[1].origin.y == (surface_->height - ComRecordingDC::kLineHeight) / 2;
}
