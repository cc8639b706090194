#include "ZynChannelSelectOp.h"

#include <algorithm>

namespace {

const char* const kSourceFile = "..\\..\\ZynOps\\src\\ZynChannelSelectOp";

template <class S>
void copyBand(const ZynRectBuffer& from, int fromBand, ZynRectBuffer& to, int toBand) {
    const ZynRect& r = to.rect();
    const int64_t fromStep = from.org().pixelStride(), toStep = to.org().pixelStride();
    for (int64_t y = r.y; y < r.bottom(); ++y) {
        const S* s = reinterpret_cast<const S*>(from.at(r.x, y, fromBand));
        S* d = reinterpret_cast<S*>(to.at(r.x, y, toBand));
        for (int64_t x = 0; x < r.width; ++x) d[x * toStep] = s[x * fromStep];
    }
}

}  // namespace

ZynChannelSelectOp::ZynChannelSelectOp(std::vector<ZynUpstream> upstreams, std::vector<int> inputs,
                                       std::vector<int> bands, bool alwaysCopy)
    : upstreams_(std::move(upstreams)),
      inputs_(std::move(inputs)),
      bands_(std::move(bands)),
      singleInput_(
          std::all_of(inputs_.begin(), inputs_.end(), [&](int i) { return i == inputs_.front(); })),
      alwaysCopy_(alwaysCopy) {}

ZynChannelSelectOp::~ZynChannelSelectOp() = default;

const ZynUpstream& ZynChannelSelectOp::upstream(int input) const {
    if (input < 0 || input >= static_cast<int>(upstreams_.size()) || !upstreams_[input])
        throw ZynError(3, "Input " + std::to_string(input) +
                              " of the channel selection is not connected or not usable");
    return upstreams_[static_cast<size_t>(input)];
}

bool ZynChannelSelectOp::isView() const {
    return singleInput_ && !alwaysCopy_ &&
           upstream(inputs_.front()).dataOrg()->bands() >= static_cast<int>(inputs_.size());
}

bool ZynChannelSelectOp::outputInfo(ZynOutputInfo& info) {
    if (inputs_.empty()) {
        info.error = ZynError(13, "There cannot be 0 channels", kSourceFile);
        return false;
    }
    if (!upstream(inputs_.front()).outputInfo(info)) return false;
    const ZynSimpleDataOrg& tile = *info.dataOrg;
    if (isView()) {
        info.dataOrg = std::make_shared<ZynSimpleDataOrg>(tile.selectBands(bands_));
    } else {
        info.dataOrg =
            std::make_shared<ZynSimpleDataOrg>(tile.width(), tile.height(), tile.dataType(),
                                               static_cast<int>(inputs_.size()), tile.interleave());
    }
    return true;
}

bool ZynChannelSelectOp::canFill(const ZynRectBuffer& buffer) {
    return !inputs_.empty() && buffer.bands() == static_cast<int>(inputs_.size()) &&
           buffer.dataType() == upstream(inputs_.front()).dataOrg()->dataType();
}

bool ZynChannelSelectOp::gainsFromConcurrentRequests() const {
    return !inputs_.empty() && !isView() &&
           std::all_of(inputs_.begin(), inputs_.end(),
                       [&](int input) { return upstream(input).takesConcurrentRequests(); });
}

ZynRectBuffer ZynChannelSelectOp::inputBuffer(int input, const ZynRect& rect) const {
    const ZynSimpleDataOrg& org = *upstream(input).dataOrg();
    return ZynRectBuffer(
        rect, std::make_shared<ZynSimpleDataOrg>(static_cast<uint32_t>(rect.width),
                                                 static_cast<uint32_t>(rect.height), org.dataType(),
                                                 org.bands(), org.interleave()));
}

void ZynChannelSelectOp::genRect(ZynRectBuffer& buffer) {
    if (inputs_.empty()) throw ZynError(13, "There cannot be 0 channels", kSourceFile);
    if (isView() && buffer.canAdopt()) {
        ZynRectBuffer samples = inputBuffer(inputs_.front(), buffer.rect());
        upstream(inputs_.front()).render(samples);
        buffer.adopt(samples,
                     std::make_shared<ZynSimpleDataOrg>(samples.org().selectBands(bands_)));
        return;
    }
    copyBands(buffer);
}

void ZynChannelSelectOp::copyBands(ZynRectBuffer& buffer) const {
    for (int input = 0; input < static_cast<int>(upstreams_.size()); ++input) {
        if (std::find(inputs_.begin(), inputs_.end(), input) == inputs_.end()) continue;
        ZynRectBuffer samples = inputBuffer(input, buffer.rect());
        upstream(input).render(samples);
        for (size_t k = 0; k < inputs_.size(); ++k) {
            if (inputs_[k] != input) continue;
            const int from = bands_[k], to = static_cast<int>(k);
            switch (buffer.org().sampleSize()) {
                case 1:
                    copyBand<uint8_t>(samples, from, buffer, to);
                    break;
                case 2:
                    copyBand<uint16_t>(samples, from, buffer, to);
                    break;
                case 4:
                    copyBand<uint32_t>(samples, from, buffer, to);
                    break;
                default:
                    copyBand<uint64_t>(samples, from, buffer, to);
            }
        }
    }
}
