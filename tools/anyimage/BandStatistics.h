#pragma once

#include <cstdint>
#include <vector>

#include "ZynRectBuffer.h"

// Per-band minimum, maximum and mean of the samples of pixel-interleaved strips.
class BandStatistics {
  public:
    explicit BandStatistics(int bands);

    void add(const ZynRectBuffer& strip);

    int bands() const { return static_cast<int>(minimum_.size()); }
    double minimum(int band) const { return minimum_[static_cast<size_t>(band)]; }
    double maximum(int band) const { return maximum_[static_cast<size_t>(band)]; }
    double mean(int band) const;

  private:
    void addBytes(const ZynRectBuffer& strip);
    template <int Bands>
    void addBytesOf(const ZynRectBuffer& strip);
    template <class T>
    void addSamples(const ZynRectBuffer& strip);

    std::vector<double> minimum_;
    std::vector<double> maximum_;
    std::vector<double> sum_;
    uint64_t pixels_ = 0;
};
