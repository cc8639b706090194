#include "BandStatistics.h"

#include <algorithm>
#include <limits>
#include <type_traits>

namespace {

// The lane sum of a sample type, and how many samples a lane may add before its sum could
// overflow and must be moved to the band's total.
template <class T>
struct LaneSum {
    using type = double;
    static constexpr uint64_t kAdds = uint64_t{1} << 40;
};
template <>
struct LaneSum<uint8_t> {
    using type = uint32_t;
    static constexpr uint64_t kAdds = uint64_t{1} << 24;
};
template <>
struct LaneSum<uint16_t> {
    using type = uint32_t;
    static constexpr uint64_t kAdds = uint64_t{1} << 16;
};
template <>
struct LaneSum<int16_t> {
    using type = int32_t;
    static constexpr uint64_t kAdds = uint64_t{1} << 16;
};
template <>
struct LaneSum<uint32_t> {
    using type = uint64_t;
    static constexpr uint64_t kAdds = uint64_t{1} << 32;
};
template <>
struct LaneSum<int32_t> {
    using type = int64_t;
    static constexpr uint64_t kAdds = uint64_t{1} << 32;
};

template <class T>
constexpr T lowestStart() {
    if constexpr (std::is_floating_point_v<T>) return std::numeric_limits<T>::infinity();
    return std::numeric_limits<T>::max();
}

template <class T>
constexpr T highestStart() {
    if constexpr (std::is_floating_point_v<T>) return -std::numeric_limits<T>::infinity();
    return std::numeric_limits<T>::lowest();
}

// Per-lane accumulators: `Lanes` lanes, lane k for band k % Bands, so the loops vectorise.
template <class T, int Bands>
struct SampleLanes {
    using Sum = typename LaneSum<T>::type;
    static constexpr size_t kLanes = 16 * Bands;
    Sum sum[kLanes] = {};
    T low[kLanes];
    T high[kLanes];
    double total[kLanes] = {};

    SampleLanes() {
        std::fill(std::begin(low), std::end(low), lowestStart<T>());
        std::fill(std::begin(high), std::end(high), highestStart<T>());
    }

    void addChunk(const T* samples) {
        for (size_t k = 0; k < kLanes; ++k) add(k, samples[k]);
    }
    void add(size_t lane, T v) {
        sum[lane] += v;
        low[lane] = std::min(low[lane], v);
        high[lane] = std::max(high[lane], v);
    }
    void flush() {
        for (size_t k = 0; k < kLanes; ++k) total[k] += static_cast<double>(sum[k]), sum[k] = 0;
    }
};

}  // namespace

BandStatistics::BandStatistics(int bands)
    : minimum_(static_cast<size_t>(bands), std::numeric_limits<double>::infinity()),
      maximum_(static_cast<size_t>(bands), -std::numeric_limits<double>::infinity()),
      sum_(static_cast<size_t>(bands), 0.0) {}

double BandStatistics::mean(int band) const {
    return pixels_ ? sum_[static_cast<size_t>(band)] / static_cast<double>(pixels_) : 0.0;
}

void BandStatistics::add(const ZynRectBuffer& strip) {
    switch (strip.dataType()) {
        case ZynDataType::UInt8:
            addSamples<uint8_t>(strip);
            break;
        case ZynDataType::Int16:
            addSamples<int16_t>(strip);
            break;
        case ZynDataType::UInt16:
            addSamples<uint16_t>(strip);
            break;
        case ZynDataType::Int32:
            addSamples<int32_t>(strip);
            break;
        case ZynDataType::UInt32:
            addSamples<uint32_t>(strip);
            break;
        case ZynDataType::Float32:
            addSamples<float>(strip);
            break;
        case ZynDataType::Float64:
            addSamples<double>(strip);
            break;
    }
    pixels_ += static_cast<uint64_t>(strip.rect().width * strip.rect().height);
}

template <class T>
void BandStatistics::addSamples(const ZynRectBuffer& strip) {
    switch (strip.bands()) {
        case 1:
            return addLanes<T, 1>(strip);
        case 2:
            return addLanes<T, 2>(strip);
        case 3:
            return addLanes<T, 3>(strip);
        case 4:
            return addLanes<T, 4>(strip);
        default:
            break;
    }
    // Wider pixels are rare: one band at a time, its samples a pixel apart.
    const int bands = strip.bands();
    for (int b = 0; b < bands; ++b) {
        SampleLanes<T, 1> lanes;
        uint64_t adds = 0;
        for (int64_t y = strip.rect().y; y < strip.rect().bottom(); ++y) {
            const T* row = strip.sample<T>(strip.rect().x, y);
            for (int64_t x = 0; x < strip.rect().width; ++x) {
                lanes.add(0, row[x * bands + b]);
                if (++adds == LaneSum<T>::kAdds - 1) lanes.flush(), adds = 0;
            }
        }
        lanes.flush();
        if (lanes.low[0] <= lanes.high[0]) merge(b, lanes.low[0], lanes.high[0], lanes.total[0]);
    }
}

template <class T, int Bands>
void BandStatistics::addLanes(const ZynRectBuffer& strip) {
    SampleLanes<T, Bands> lanes;
    constexpr size_t kLanes = SampleLanes<T, Bands>::kLanes;
    const size_t rowSamples = static_cast<size_t>(strip.rect().width) * Bands;
    // A lane adds at most once per chunk and once more at the end of each row.
    uint64_t adds = 0;
    for (int64_t y = strip.rect().y; y < strip.rect().bottom(); ++y) {
        const T* row = strip.sample<T>(strip.rect().x, y);
        size_t i = 0;
        for (; i + kLanes <= rowSamples; i += kLanes) {
            lanes.addChunk(row + i);
            if (++adds == LaneSum<T>::kAdds - 1) lanes.flush(), adds = 0;
        }
        for (; i < rowSamples; ++i) lanes.add(i % kLanes, row[i]);
        if (++adds == LaneSum<T>::kAdds - 1) lanes.flush(), adds = 0;
    }
    lanes.flush();
    for (int b = 0; b < Bands; ++b) {
        double sum = 0.0;
        T low = lowestStart<T>(), high = highestStart<T>();
        for (size_t k = static_cast<size_t>(b); k < kLanes; k += Bands) {
            sum += lanes.total[k];
            low = std::min(low, lanes.low[k]);
            high = std::max(high, lanes.high[k]);
        }
        if (low <= high) merge(b, low, high, sum);
    }
}

void BandStatistics::merge(int band, double low, double high, double sum) {
    const auto b = static_cast<size_t>(band);
    minimum_[b] = std::min(minimum_[b], low);
    maximum_[b] = std::max(maximum_[b], high);
    sum_[b] += sum;
}
