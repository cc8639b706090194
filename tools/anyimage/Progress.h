#pragma once

#include <chrono>

// A progress bar on standard error, drawn only when it is a terminal and only once the work has
// run for a second.
class Progress {
  public:
    Progress();
    ~Progress();

    void update(double fraction);

  private:
    bool enabled_;
    bool drawn_ = false;
    int lastPercent_ = -1;
    std::chrono::steady_clock::time_point start_;
};
