#pragma once

// A region of interest, in units of the image's height.
class NIFROI {
  public:
    NIFROI() = default;
    NIFROI(float left, float top, float width, float height)
        : left(left), top(top), width(width), height(height) {}

    float left = 0;
    float top = 0;
    float width = 0;
    float height = 0;
};
