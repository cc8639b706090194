#pragma once

#include <array>
#include <cmath>

// A 4 x 4 matrix of the toolkit's interface, row-major; starts as the identity.
template <class T>
class NIFMatrix4 {
  public:
    NIFMatrix4() { identity(); }

    void identity() {
        m.fill(T(0));
        m[0] = m[5] = m[10] = m[15] = T(1);
    }
    // Every element within 1e-6 of the identity's.
    bool isIdentity() const {
        for (int i = 0; i < 16; ++i)
            if (std::abs(m[i] - (i % 5 == 0 ? T(1) : T(0))) > T(1e-6)) return false;
        return true;
    }

    std::array<T, 16> m;

  protected:
    // Rows (a, b, c, 0), (d, e, f, 0), (0, 0, 1, 0), (0, 0, 0, 1).
    NIFMatrix4(T a, T b, T c, T d, T e, T f) : NIFMatrix4() {
        m[0] = a;
        m[1] = b;
        m[2] = c;
        m[4] = d;
        m[5] = e;
        m[6] = f;
    }
};
