#include "ZynJpegSourceCommon.h"

#include "VulJpegMetaKeys.h"
#include "ZynGraph.h"
#include "ZynJpegImageSource.h"

ZynJpegSourceCommon::ZynJpegSourceCommon() {
    addJpegAttributes(*this);
}

ZynJpegSourceCommon::ZynJpegSourceCommon(const std::wstring& fileName, bool keepOpen)
    : ZynMainOpSource(fileName, keepOpen) {
    addJpegAttributes(*this);
}

// A copy opens the file afresh at its own setup.
ZynJpegSourceCommon::ZynJpegSourceCommon(const ZynJpegSourceCommon& other)
    : ZynTransform(other), ZynMainOpSource(other) {}

ZynJpegSourceCommon::~ZynJpegSourceCommon() = default;

void ZynJpegSourceCommon::addJpegAttributes(ZynTransform& source) {
    source.addSimpleAttribute<std::string>("color_space", "");
    source.addSimpleAttribute<ZynDCTMethod::dctMethod>("dctMethod", ZynDCTMethod::DCT_ISLOW);
}

void ZynJpegSourceCommon::dropOp() {
    op_.reset();
    resolutionRead_ = resolutionValid_ = false;
}

void ZynJpegSourceCommon::fileNameChanged() {
    dropOp();
    markForSetup();
}

void ZynJpegSourceCommon::setupTransform() {
    if (fileName().empty()) {
        setError(ZynError(130, "No filename specified in ZynJpegImagesource"));
        return;
    }
    try {
        // The op decides whether it holds the file between reads.
        if (op_ && op_->keepOpen() != keepOpen()) dropOp();
        // An emptied "color_space" withdraws the request made before.
        mainOp().setColorSpaceName(getAttribute<std::string>("color_space"));
        op_->setDctMethod(getAttribute<ZynDCTMethod::dctMethod>("dctMethod"));
    } catch (const QorError& e) {
        setError(ZynError(e));
        return;
    }
    ZynOutputInfo info;
    ZynColorSpacePtr colorSpace;
    if (!describeFromOp(*op_, info, colorSpace)) return;
    auto coordSpace = std::make_shared<ZynXyCoordSpace>(
        ZynValue{static_cast<double>(info.width), ZynUnit::Pixel},
        ZynValue{static_cast<double>(info.height), ZynUnit::Pixel});
    for (const ZynResolution& r : op_->resolutions()) coordSpace->addResolution(r);
    op_->selectResolution(0);
    publishOutput(colorSpace, coordSpace, info.dataOrg);
}

bool ZynJpegSourceCommon::readMetadata(const std::string& key, VulMetaValue& value) {
    ZynGraph::ensureSetup(*this);
    if (!status()) throw error();
    if (const int component = vulQuantTableComponent(key); component >= 0) {
        std::vector<uint16_t> table;
        if (!op_->quantTable(component, table)) return false;
        value = std::move(table);
        return true;
    }
    if (key == kVulICCProfile) {
        std::vector<uint8_t> profile;
        if (!op_->iccProfile(profile)) return false;
        value = std::move(profile);
        return true;
    }
    return readDisplayResolution(key, value);
}

bool ZynJpegSourceCommon::readDisplayResolution(const std::string& key, VulMetaValue& value) {
    if (key != kVulDisplayXResolution && key != kVulDisplayYResolution &&
        key != kVulDisplayResolutionUnit)
        return false;
    if (!resolutionRead_) {
        uint16_t x = 0, y = 0;
        uint8_t unit = 0;
        resolutionValid_ = op_->displayResolution(x, y, unit);
        xResolution_ = static_cast<float>(x);
        yResolution_ = static_cast<float>(y);
        resolutionUnit_ = unit;
        resolutionRead_ = true;
    }
    if (!resolutionValid_) return false;
    if (key == kVulDisplayXResolution)
        value = static_cast<double>(xResolution_);
    else if (key == kVulDisplayYResolution)
        value = static_cast<double>(yResolution_);
    else
        value = static_cast<int64_t>(resolutionUnit_);
    return true;
}
