#pragma once

#include <string>
#include <vector>

#include "ZynAffineOp.h"
#include "ZynOperation.h"
#include "ZynResamplingType.h"

// Resamples its input through an affine map ("affines", from output to input positions) with
// nearest-neighbour, bilinear or bicubic interpolation, paints pixels whose sources lie outside
// the input with "fillColor", and declares the output extent "width" x "height" in "unit".
// The map's translations are in "unit" too. A transform with a ZynSimpleOutputCP of
// ZynAffineOp::Affines connected to "in2" supplies the map instead, as a normalized map fetched
// once per op.
//
// Output resolutions follow the input's: each input resolution is scaled by the ratio of the
// output extent to the input's (rounded to whole pixels), so that output pixels are as large as
// input pixels, and the op of output resolution i reads input resolution i. With "unit" in pixels
// (one input resolution only) the output has exactly that pixel size.
class ZynAffineOperationBase : public ZynOperation {
  public:
    ZynAffineOperationBase(const ZynAffineOp::Affines& affines = {}, double width = 1.0,
                           double height = 1.0, unsigned unit = 4,
                           ZynResamplingType::Enum resampling = ZynResamplingType::NEAREST,
                           const ZynTransformPtr& affinesSource = nullptr);
    ZynAffineOperationBase(const ZynAffineOperationBase& other) = default;
    ~ZynAffineOperationBase() override;

    // Orientation metadata does not survive a resampling.
    void filterMetadataKeys(std::vector<std::string>& keys) const override;
    void setupTransform() override;
    ZynImageOpPtr opForResolution(int outputIndex, const ZynResolution& resolution) override;
    // The input rectangle the op of `resolution` reads for an output rectangle (the whole input
    // when the map is streamed).
    ZynRect inputRegion(int inputIndex, const ZynRect& outputRect,
                        const ZynResolution& resolution) override;

    // Whether "in2" is connected to an affines stream (known after setup).
    bool streamAffines() const { return streamAffines_; }

  protected:
    // What the op of an offered output resolution is made from.
    ZynAffineOp::Parameters opParameters(const ZynResolution& resolution) const;
    // Code of the "Unsupported resolution" error of each kind.
    virtual int unsupportedResolutionCode() const = 0;

  private:
    ZynAffineOp::AffinesInput& affinesInput() const;
    // The output extent and resolutions; null with the error recorded when they cannot be had.
    ZynCoordSpacePtr outputCoordSpace(const ZynXyCoordSpace& input);
    ZynAffineOp::Affines normalizedMap(const ZynResolution& resolution,
                                       const ZynXyCoordSpace& input) const;
    std::vector<double> fillValues(int bands) const;

    bool streamAffines_ = false;
};
