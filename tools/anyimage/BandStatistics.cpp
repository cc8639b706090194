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

// Bytes are folded into 16 * bands lanes, each holding one band, so the loop vectorises; the
// 32-bit lane sums are flushed before they could overflow.
void BandStatistics::addBytes(const ZynRectBuffer& strip) {
    const int bands = strip.bands();
    const size_t lanes = 16 * static_cast<size_t>(bands);
    std::vector<uint32_t> sum(lanes, 0);
    std::vector<uint8_t> low(lanes, 255), high(lanes, 0);
    std::vector<uint64_t> total(static_cast<size_t>(bands), 0);
    const size_t rowSamples = static_cast<size_t>(strip.rect().width) * bands;
    size_t pending = 0;
    for (int64_t y = strip.rect().y; y < strip.rect().bottom(); ++y) {
        const auto* row = reinterpret_cast<const uint8_t*>(strip.at(strip.rect().x, y));
        size_t i = 0;
        for (; i + lanes <= rowSamples; i += lanes) {
            for (size_t k = 0; k < lanes; ++k) {
                const uint8_t v = row[i + k];
                sum[k] += v;
                low[k] = std::min(low[k], v);
                high[k] = std::max(high[k], v);
            }
            if (++pending == (1u << 24) / 256) {
                for (size_t k = 0; k < lanes; ++k) total[k % bands] += sum[k], sum[k] = 0;
                pending = 0;
            }
        }
        for (; i < rowSamples; ++i) {
            const uint8_t v = row[i];
            const size_t k = i % lanes;
            sum[k] += v;
            low[k] = std::min(low[k], v);
            high[k] = std::max(high[k], v);
        }
        ++pending;
    }
    for (size_t k = 0; k < lanes; ++k) {
        const size_t b = k % bands;
        total[b] += sum[k];
        if (low[k] <= high[k]) {
            minimum_[b] = std::min<double>(minimum_[b], low[k]);
            maximum_[b] = std::max<double>(maximum_[b], high[k]);
        }
    }
    for (int b = 0; b < bands; ++b) sum_[static_cast<size_t>(b)] += static_cast<double>(total[b]);
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
