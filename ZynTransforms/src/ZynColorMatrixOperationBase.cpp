#include "ZynColorMatrixOperationBase.h"

#include "ZynColorMatrixOpT.h"

namespace {

const char* const kSourceFile = "ZynColorMatrixOperation";

// Rows of four: three band weights and an offset.
const ZynMatrix<double> kRGBInput(4, 4,
                                  {0.001210053, 0.002375589, 0.000461358, 0,    //
                                   -0.001210053, -0.002375589, 0.003585642, 0,  //
                                   0.002836947, -0.002375589, -0.000461358, 0,  //
                                   0, 0, 0, 1});
const ZynMatrix<double> kRGBOutput(4, 4,
                                   {247.1, 0, 247.1, 0,             //
                                    247.1, -47.9374, -125.7739, 0,  //
                                    247.1, 247.1, 0, 0,             //
                                    0, 0, 0, 1});
const ZynMatrix<double> kYCCInput(4, 4,
                                  {0.005498, 0, 0, 0,      //
                                   0, 0.008977, 0, -1.4,   //
                                   0, 0, 0.007373, -1.01,  //
                                   0, 0, 0, 1});
const ZynMatrix<double> kYCCOutput(4, 4,
                                   {181.9, 0, 0, 0,     //
                                    0, 111.4, 0, 156,   //
                                    0, 0, 135.64, 137,  //
                                    0, 0, 0, 1});

}  // namespace

ZynColorMatrixOperationBase::ZynColorMatrixOperationBase(const ZynMatrix<double>& colorMatrix) {
    addInput(std::make_shared<ZynImageInputCP>("in"));
    setPrimaryOutput(addOutput(std::make_shared<ZynImageOutputCP>("out")));
    addSimpleAttribute<ZynMatrix<double>>("colorMatrix", colorMatrix);
}

bool ZynColorMatrixOperationBase::chooseConversions(const ZynColorSpace& input) {
    if (input.name() == conversionSpace_) return true;
    if (input.isRGBKind()) {
        inputConversion_ = kRGBInput;
        outputConversion_ = kRGBOutput;
    } else if (input.isYCCKind()) {
        inputConversion_ = kYCCInput;
        outputConversion_ = kYCCOutput;
    } else {
        setError(ZynError(600,
                          "The transform" + describe() + "cannot handle colorspace" + input.name(),
                          kSourceFile));
        return false;
    }
    conversionSpace_ = input.name();
    return true;
}

void ZynColorMatrixOperationBase::setupTransform() {
    if (!preliminarySetup()) return;
    const ZynImageInputCP* in = imageInput(0);
    if (!in || !in->isGood()) {
        defaultSetup();
        return;
    }
    if (!chooseConversions(*in->upstreamOutput()->colorSpace())) return;
    try {
        effective_ =
            outputConversion_ * getAttribute<ZynMatrix<double>>("colorMatrix") * inputConversion_;
    } catch (const ZynError& e) {
        // A twist of another shape is a configuration error like the others.
        setError(e);
        return;
    }
    defaultSetup();
    if (status()) changed(-1);
}

template <class T>
ZynImageOpPtr ZynColorMatrixOperationBase::makeOpOf(const ZynResolution& resolution) const {
    return std::make_shared<ZynColorMatrixOpT<T>>(
        imageInput(0)->upstream(inputResolution(0, resolution)), effective_);
}

template ZynImageOpPtr ZynColorMatrixOperationBase::makeOpOf<uint8_t>(const ZynResolution&) const;
template ZynImageOpPtr ZynColorMatrixOperationBase::makeOpOf<int16_t>(const ZynResolution&) const;
template ZynImageOpPtr ZynColorMatrixOperationBase::makeOpOf<float>(const ZynResolution&) const;
