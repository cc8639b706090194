#pragma once

// A region of interest, in units of the image's height.
class NIFROI {
  public:
    NIFROI() = default;
    NIFROI(float width, float height) : width(width), height(height) {}
    NIFROI(float left, float top, float width, float height)
        : left(left), top(top), width(width), height(height) {}

    void zero() { left = top = width = height = 0; }
    // Every field within 1e-6 of 0.
    bool isZero() const;
    // The region that covers everything: at the origin, with huge width and height.
    void setHuge();
    // Whether the region is what setHuge makes.
    bool isHuge() const;

    float left = 0;
    float top = 0;
    float width = 0;
    float height = 0;
};
