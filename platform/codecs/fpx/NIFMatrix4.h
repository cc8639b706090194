#pragma once

#include <array>

// A 4 x 4 matrix of the toolkit's interface, row-major; starts as the identity.
template <class T>
class NIFMatrix4 {
  public:
    NIFMatrix4() { identity(); }

    void identity() {
        m.fill(T(0));
        m[0] = m[5] = m[10] = m[15] = T(1);
    }

    std::array<T, 16> m;
};
