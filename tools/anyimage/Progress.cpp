#include "Progress.h"

#include <cstdio>

#include "QorSystem.h"

Progress::Progress() : enabled_(qorIsTerminal(stderr)), start_(std::chrono::steady_clock::now()) {}

Progress::~Progress() {
    if (drawn_) std::fputs("\n", stderr);
}

void Progress::update(double fraction) {
    if (!enabled_ || std::chrono::steady_clock::now() - start_ < std::chrono::seconds(1)) return;
    const int percent = static_cast<int>(fraction * 100.0);
    if (percent == lastPercent_) return;
    lastPercent_ = percent;
    constexpr int kWidth = 40;
    const int filled = percent * kWidth / 100;
    std::fprintf(stderr, "\r[%.*s%*s] %3d%%", filled,
                 "========================================", kWidth - filled, "", percent);
    std::fflush(stderr);
    drawn_ = true;
}
