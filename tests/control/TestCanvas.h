#pragma once

#include <memory>

#include "ComString.h"

// A device context to draw a control on, and what the drawing shows.
class TestCanvas {
  public:
    TestCanvas(int width, int height);
    ~TestCanvas();
    TestCanvas(const TestCanvas&) = delete;
    TestCanvas& operator=(const TestCanvas&) = delete;

    HDC handle() const;
    // A rectangle drawn along the whole canvas.
    bool framed() const;
    // `text` on one line, centred in the canvas.
    bool showsCentred(const ComString& text) const;

  private:
    struct Surface;
    std::unique_ptr<Surface> surface_;
};
