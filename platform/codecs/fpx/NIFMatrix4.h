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
};

// An affine transform as a 4 x 4 matrix; each constructor fills the rows it names and leaves
// the identity elsewhere.
template <class T>
class NIFAffine4 : public NIFMatrix4<T> {
  public:
    NIFAffine4() = default;
    // Diagonal a, e, 1, 1.
    NIFAffine4(T a, T e) : NIFAffine4(a, 0, 0, 0, e, 0) {}
    // Rows (a, b, 0, 0), (d, e, 0, 0).
    NIFAffine4(T a, T b, T d, T e) : NIFAffine4(a, b, 0, d, e, 0) {}
    // Rows (a, b, c, 0), (d, e, f, 0).
    NIFAffine4(T a, T b, T c, T d, T e, T f) {
        this->m[0] = a;
        this->m[1] = b;
        this->m[2] = c;
        this->m[4] = d;
        this->m[5] = e;
        this->m[6] = f;
    }
};
