#include "ZynImageSource.h"

ZynImageSource::ZynImageSource() {
    setPrimaryOutput(addOutput(std::make_shared<ZynImageOutputCP>("out")));
}

void ZynImageSource::publishOutput(ZynColorSpacePtr colorSpace, ZynCoordSpacePtr coordSpace,
                                   ZynDataOrgPtr dataOrg, int index) {
    ZynImageOutputCP* out = imageOutput(index);
    if (!out)
        throw ZynError(
            3, "Output " + std::to_string(index) + " of " + describe() + " is not an image output");
    out->setDescription(std::move(colorSpace), std::move(coordSpace), std::move(dataOrg));
    setSetupDone();
}

bool ZynImageSource::describeFromOp(ZynImageOp& op, ZynOutputInfo& info,
                                    ZynColorSpacePtr& colorSpace) {
    if (!op.outputInfoBase(info)) {
        setError(info.error);
        return false;
    }
    colorSpace = op.getColorSpace();
    if (!colorSpace) {
        setError(ZynError(125, "The color space is NULL"));
        return false;
    }
    if (!info.dataOrg) {
        setError(ZynError(125, "The data org is NULL"));
        return false;
    }
    return true;
}
