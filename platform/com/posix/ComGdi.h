#pragma once

// The two drawing calls the control makes, with the Windows SDK's names, drawing on recording
// device contexts (there is no window system to draw on).

#include <string>
#include <vector>

#include "ComTypes.h"

#define DT_CENTER 0x00000001
#define DT_VCENTER 0x00000004
#define DT_SINGLELINE 0x00000020

// Both fail (FALSE, 0) on a handle that is not a live recording context.
extern "C" BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom);
// Returns the height of the text drawn.
extern "C" int DrawTextW(HDC hdc, LPCWSTR lpchText, int cchText, LPRECT lprc, UINT format);

// A device context that keeps a list of what was drawn on it. Text is laid out in fixed cells
// of kCharWidth x kLineHeight.
class ComRecordingDC {
  public:
    static constexpr int kCharWidth = 8;
    static constexpr int kLineHeight = 16;

    struct Item {
        enum Kind { Rectangle, Text } kind;
        RECT rect;            // the rectangle, or the text's layout rectangle
        std::u16string text;  // text only
        POINT origin;         // text only: top-left corner of the laid-out line
    };

    ComRecordingDC();
    ~ComRecordingDC();
    ComRecordingDC(const ComRecordingDC&) = delete;
    ComRecordingDC& operator=(const ComRecordingDC&) = delete;

    HDC handle() { return reinterpret_cast<HDC>(this); }
    const std::vector<Item>& items() const { return items_; }

    static ComRecordingDC* fromHandle(HDC hdc);
    void add(Item item) { items_.push_back(std::move(item)); }

  private:
    std::vector<Item> items_;
};
