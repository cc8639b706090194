#include "ZynFpxImageSourceBasic.h"

ZynFpxImageSourceBasic::ZynFpxImageSourceBasic(const std::wstring& fileName, bool keepOpen)
    : ZynImageFileSource(fileName, keepOpen) {}

// A copy opens the file afresh at its own setup.
ZynFpxImageSourceBasic::ZynFpxImageSourceBasic(const ZynFpxImageSourceBasic& other)
    : ZynTransform(other), ZynImageFileSource(other) {}

ZynFpxImageSourceBasic::~ZynFpxImageSourceBasic() = default;

ZynTransformPtr ZynFpxImageSourceBasic::clone() const {
    return std::make_shared<ZynFpxImageSourceBasic>(*this);
}

void ZynFpxImageSourceBasic::fileNameChanged() {
    op_.reset();
    markForSetup();
}

void ZynFpxImageSourceBasic::setupTransform() {
    if (!op_) op_ = std::make_shared<ZynFpxImageSourceBasicOp>(fileName(), keepOpen());
    ZynOutputInfo info;
    ZynColorSpacePtr colorSpace;
    if (!describeFromOp(*op_, info, colorSpace)) return;
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

ZynImageOpPtr ZynFpxImageSourceBasic::opForResolution(int outputIndex,
                                                      const ZynResolution& resolution) {
    const ZynImageOutputCP* out = imageOutput(outputIndex);
    const int index = op_ ? op_->resolutionIndex(resolution) : -1;
    if (!out || !out->coordSpace() || !out->coordSpace()->hasResolution(resolution) || index < 0)
        throw ZynError(3, "Unsupported resolution");
    return index == 0 ? op_ : op_->forResolution(index);
}

void ZynFpxImageSourceBasic::postRender() {
    if (!keepOpen()) closeFile();
}

void ZynFpxImageSourceBasic::closeFile() {
    if (op_) op_->close();
}
