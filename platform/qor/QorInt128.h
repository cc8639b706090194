#pragma once

#include <cstdint>

// A signed 128-bit integer for exact fixed-point products of 64-bit values. The compiler's own
// where it has one; 32-bit targets have none, and get this two-word form with the same
// wrap-around arithmetic.
#if defined(__SIZEOF_INT128__)
using QorInt128 = __int128;
#else
class QorInt128 {
  public:
    constexpr QorInt128() = default;
    constexpr QorInt128(int64_t v)  // NOLINT(google-explicit-constructor): as the builtin converts
        : high_(v < 0 ? ~uint64_t{0} : 0), low_(static_cast<uint64_t>(v)) {}
    constexpr explicit operator int64_t() const { return static_cast<int64_t>(low_); }

    friend QorInt128 operator+(QorInt128 a, QorInt128 b) {
        const uint64_t low = a.low_ + b.low_;
        return {a.high_ + b.high_ + (low < a.low_ ? 1 : 0), low};
    }
    friend QorInt128 operator-(QorInt128 a) { return QorInt128{~a.high_, ~a.low_} + 1; }
    friend QorInt128 operator-(QorInt128 a, QorInt128 b) { return a + -b; }
    friend QorInt128 operator*(QorInt128 a, QorInt128 b) {
        QorInt128 product = multiplyWords(a.low_, b.low_);
        product.high_ += a.high_ * b.low_ + a.low_ * b.high_;
        return product;
    }
    // Truncating, as the builtin divides.
    friend QorInt128 operator/(QorInt128 n, QorInt128 d) {
        const QorInt128 q = divideMagnitudes(n.magnitude(), d.magnitude());
        return n.negative() != d.negative() ? -q : q;
    }
    friend QorInt128 operator%(QorInt128 n, QorInt128 d) { return n - n / d * d; }
    QorInt128& operator--() { return *this = *this - 1; }

    friend bool operator==(QorInt128 a, QorInt128 b) {
        return a.high_ == b.high_ && a.low_ == b.low_;
    }
    friend bool operator<(QorInt128 a, QorInt128 b) {
        const auto ah = static_cast<int64_t>(a.high_), bh = static_cast<int64_t>(b.high_);
        return ah != bh ? ah < bh : a.low_ < b.low_;
    }
    friend bool operator!=(QorInt128 a, QorInt128 b) { return !(a == b); }
    friend bool operator>(QorInt128 a, QorInt128 b) { return b < a; }
    friend bool operator<=(QorInt128 a, QorInt128 b) { return !(b < a); }
    friend bool operator>=(QorInt128 a, QorInt128 b) { return !(a < b); }

  private:
    constexpr QorInt128(uint64_t high, uint64_t low) : high_(high), low_(low) {}
    bool negative() const { return static_cast<int64_t>(high_) < 0; }
    QorInt128 magnitude() const { return negative() ? -*this : *this; }

    static QorInt128 multiplyWords(uint64_t a, uint64_t b) {
        const uint64_t a0 = a & 0xffffffffu, a1 = a >> 32, b0 = b & 0xffffffffu, b1 = b >> 32;
        const uint64_t low = a0 * b0, middle1 = a1 * b0, middle2 = a0 * b1;
        const uint64_t carry =
            ((low >> 32) + (middle1 & 0xffffffffu) + (middle2 & 0xffffffffu)) >> 32;
        return {a1 * b1 + (middle1 >> 32) + (middle2 >> 32) + carry,
                low + (middle1 << 32) + (middle2 << 32)};
    }
    // Bit by bit, on values read as unsigned.
    static QorInt128 divideMagnitudes(QorInt128 n, QorInt128 d) {
        QorInt128 quotient{0, 0}, remainder{0, 0};
        for (int bit = 127; bit >= 0; --bit) {
            remainder = {(remainder.high_ << 1) | (remainder.low_ >> 63), remainder.low_ << 1};
            const uint64_t word = bit >= 64 ? n.high_ >> (bit - 64) : n.low_ >> bit;
            remainder.low_ |= word & 1;
            if (unsignedAtLeast(remainder, d)) {
                remainder = remainder - d;
                if (bit >= 64)
                    quotient.high_ |= uint64_t{1} << (bit - 64);
                else
                    quotient.low_ |= uint64_t{1} << bit;
            }
        }
        return quotient;
    }
    static bool unsignedAtLeast(QorInt128 a, QorInt128 b) {
        return a.high_ != b.high_ ? a.high_ > b.high_ : a.low_ >= b.low_;
    }

    uint64_t high_ = 0;
    uint64_t low_ = 0;
};
#endif
