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
