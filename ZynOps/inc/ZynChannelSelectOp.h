#pragma once

#include <vector>

#include "ZynOp.h"
#include "ZynUpstream.h"

// The op of the channel select operation: output band k is band bands[k] of input inputs[k].
// When every band comes from one input and copying is not forced, the output is a view of that
// input's pixels: a buffer that may adopt other memory is pointed at the input's samples through
// a band-selecting organisation, and nothing is copied.
class ZynChannelSelectOp : public ZynImageOp {
  public:
    // `upstreams` has one entry per input connection point (empty for inputs not used).
    ZynChannelSelectOp(std::vector<ZynUpstream> upstreams, std::vector<int> inputs,
                       std::vector<int> bands, bool alwaysCopy);
    ~ZynChannelSelectOp() override;

    bool outputInfo(ZynOutputInfo& info) override;
    bool canFill(const ZynRectBuffer& buffer) override;
    // A view hands the whole request to its input; copies gain when every input does.
    bool gainsFromConcurrentRequests() const override;
    void genRect(ZynRectBuffer& buffer) override;

  private:
    // Whether the output is a view of the first band's input.
    bool isView() const;
    const ZynUpstream& upstream(int input) const;
    // A buffer over `rect` in the organisation kind of input `input`.
    ZynRectBuffer inputBuffer(int input, const ZynRect& rect) const;
    void copyBands(ZynRectBuffer& buffer) const;

    std::vector<ZynUpstream> upstreams_;
    std::vector<int> inputs_;
    std::vector<int> bands_;
    bool singleInput_;
    bool alwaysCopy_;
};
