#include "ZynFpxImageSourceBasic.h"

void ZynFpxImageSourceBasic::setupTransform() {
    ZynOutputInfo info;
    ZynColorSpacePtr colorSpace;
    if (!describeFromOp(mainOp(), info, colorSpace)) return;
    ZynDataOrgPtr dataOrg;
    try {
        dataOrg = std::make_shared<ZynSimpleDataOrg>(op_->imageWidth(), op_->imageHeight(),
                                                     op_->dataType(), op_->channels());
    } catch (const std::exception& e) {
        setError(ZynError(130, std::string("Could not create data organization: ") + e.what()));
        return;
    }
    std::shared_ptr<ZynXyCoordSpace> coordSpace;
    try {
        coordSpace = std::make_shared<ZynXyCoordSpace>(
            ZynValue{static_cast<double>(op_->imageWidth()) / op_->imageHeight(),
                     ZynUnit::Arbitrary},
            ZynValue{1.0, ZynUnit::Arbitrary});
        coordSpace->setResolutions(op_->resolutions());
    } catch (const std::exception& e) {
        setError(
            ZynError(130, std::string("Could not create coordinate space array: ") + e.what()));
        return;
    }
    publishOutput(colorSpace, coordSpace, dataOrg);
}

void ZynFpxImageSourceBasic::closeFile() {
    if (op_) op_->close();
}
