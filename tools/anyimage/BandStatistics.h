#pragma once

#include <cstdint>
#include <vector>

#include "ZynRectBuffer.h"

// Per-band minimum, maximum and mean of the samples of pixel-interleaved strips. Samples are
// summed in their own type's accumulator (integers exactly), not one by one as doubles, so that
// the statistics keep up with memory.
class BandStatistics {
  public:
    explicit BandStatistics(int bands);

    void add(const ZynRectBuffer& strip);

    int bands() const { return static_cast<int>(minimum_.size()); }
    double minimum(int band) const { return minimum_[static_cast<size_t>(band)]; }
    double maximum(int band) const { return maximum_[static_cast<size_t>(band)]; }
    double mean(int band) const;

  private:
    template <class T>
    void addSamples(const ZynRectBuffer& strip);
    template <class T, int Bands>
    void addLanes(const ZynRectBuffer& strip);
    void merge(int band, double low, double high, double sum);

    std::vector<double> minimum_;
    std::vector<double> maximum_;
    std::vector<double> sum_;
    uint64_t pixels_ = 0;
};
