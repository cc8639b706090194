#include "BandStatistics.h"

#include <algorithm>
#include <limits>

BandStatistics::BandStatistics(int bands)
    : minimum_(static_cast<size_t>(bands), std::numeric_limits<double>::infinity()),
      maximum_(static_cast<size_t>(bands), -std::numeric_limits<double>::infinity()),
      sum_(static_cast<size_t>(bands), 0.0) {}

double BandStatistics::mean(int band) const {
    return pixels_ ? sum_[static_cast<size_t>(band)] / static_cast<double>(pixels_) : 0.0;
}

void BandStatistics::addBytes(const ZynRectBuffer& strip) {
    switch (strip.bands()) {
        case 1:
            return addBytesOf<1>(strip);
        case 2:
            return addBytesOf<2>(strip);
        case 3:
            return addBytesOf<3>(strip);
        case 4:
            return addBytesOf<4>(strip);
        default:
            return addSamples<uint8_t>(strip);
    }
}

void BandStatistics::add(const ZynRectBuffer& strip) {
    switch (strip.dataType()) {
        case ZynDataType::UInt8:
            addBytes(strip);
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

namespace {

// Per-lane accumulators of a byte kernel: 16 lanes per band, so the loops vectorise.
template <int Bands>
struct ByteLanes {
    static constexpr size_t kLanes = 16 * Bands;
    uint32_t sum[kLanes] = {};
    uint8_t low[kLanes];
    uint8_t high[kLanes] = {};
    uint64_t total[Bands] = {};

    ByteLanes() { std::fill(std::begin(low), std::end(low), uint8_t{255}); }

    void addChunk(const uint8_t* samples) {
        for (size_t k = 0; k < kLanes; ++k) {
            const uint8_t v = samples[k];
            sum[k] += v;
            low[k] = std::min(low[k], v);
            high[k] = std::max(high[k], v);
        }
    }
    void addOne(size_t lane, uint8_t v) {
        sum[lane] += v;
        low[lane] = std::min(low[lane], v);
        high[lane] = std::max(high[lane], v);
    }
    // 32-bit lane sums are moved to the totals before they could overflow.
    void flush() {
        for (size_t k = 0; k < kLanes; ++k) total[k % Bands] += sum[k], sum[k] = 0;
    }
};

}  // namespace

template <int Bands>
void BandStatistics::addBytesOf(const ZynRectBuffer& strip) {
    ByteLanes<Bands> lanes;
    constexpr size_t kLanes = ByteLanes<Bands>::kLanes;
    constexpr size_t kChunksBeforeFlush = (1u << 24) / 256;
    const size_t rowSamples = static_cast<size_t>(strip.rect().width) * Bands;
    size_t chunks = 0;
    for (int64_t y = strip.rect().y; y < strip.rect().bottom(); ++y) {
        const auto* row = reinterpret_cast<const uint8_t*>(strip.at(strip.rect().x, y));
        size_t i = 0;
        for (; i + kLanes <= rowSamples; i += kLanes) {
            lanes.addChunk(row + i);
            if (++chunks == kChunksBeforeFlush) lanes.flush(), chunks = 0;
        }
        for (; i < rowSamples; ++i) lanes.addOne(i % kLanes, row[i]);
        if (++chunks == kChunksBeforeFlush) lanes.flush(), chunks = 0;
    }
    lanes.flush();
    for (size_t k = 0; k < kLanes; ++k) {
        const size_t b = k % Bands;
        if (lanes.low[k] > lanes.high[k]) continue;
        minimum_[b] = std::min<double>(minimum_[b], lanes.low[k]);
        maximum_[b] = std::max<double>(maximum_[b], lanes.high[k]);
    }
    for (int b = 0; b < Bands; ++b)
        sum_[static_cast<size_t>(b)] += static_cast<double>(lanes.total[b]);
}

template <class T>
void BandStatistics::addSamples(const ZynRectBuffer& strip) {
    const int bands = strip.bands();
    for (int64_t y = strip.rect().y; y < strip.rect().bottom(); ++y) {
        const T* row = strip.sample<T>(strip.rect().x, y);
        for (int64_t x = 0; x < strip.rect().width; ++x) {
            for (int b = 0; b < bands; ++b) {
                const double v = static_cast<double>(row[x * bands + b]);
                auto& lo = minimum_[static_cast<size_t>(b)];
                auto& hi = maximum_[static_cast<size_t>(b)];
                lo = std::min(lo, v);
                hi = std::max(hi, v);
                sum_[static_cast<size_t>(b)] += v;
            }
        }
    }
}
