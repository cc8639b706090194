#pragma once

#include <vector>

#include "ZynPointOperation.h"

// Builds an image from chosen bands of up to four inputs ("in1" to "in4"): output band k is band
// "bands"[k] of input "inputs"[k] (inputs numbered from 0). With "allBands" (the default) setup
// takes every band of every connected input, in input order, instead.
//
// The output takes its size, coordinate space and sample type from the first input a band
// names; the others must match it (sizes only unless "ignoreSize"). Its colour space is
// "colorSpace" when set (with as many bands as the output), else a generic one over the range
// the inputs share.
//
// With "AlwaysCopy" false and every band from one input that has at least as many bands as the
// output, the output is a view of that input's pixels: the output's organisation is the input's
// restricted to the chosen bands, and a request in a buffer that may adopt other memory is
// answered without copying a sample (dropping an alpha band, or reading RGB as BGR, costs
// nothing). Otherwise bands are copied.
class ZynChannelSelectOperation : public ZynPointOperation {
  public:
    explicit ZynChannelSelectOperation(const ZynTransformPtr& in1 = nullptr,
                                       const ZynTransformPtr& in2 = nullptr,
                                       const ZynTransformPtr& in3 = nullptr,
                                       const ZynTransformPtr& in4 = nullptr);
    ZynChannelSelectOperation(const ZynChannelSelectOperation& other) = default;
    ~ZynChannelSelectOperation() override;

    ZynTransformPtr clone() const override;
    void setupTransform() override;

  protected:
    ZynImageOpPtr makeOp(int outputIndex, const ZynResolution& resolution) override;

  private:
    // Rebuilds "inputs" and "bands" from the connected inputs; false with the error recorded.
    bool selectAllBands();
    // Checks the selection against the inputs and publishes the output; false on an error.
    bool checkSelection();
    void publish(const ZynImageOutputCP& reference, double minimum, double maximum,
                 bool singleInput);
    std::string selectionError(const std::string& what) const;
};
