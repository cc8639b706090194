#include "ZynFpxImageSource.h"

#include <cmath>
#include <iostream>

#include "QorString.h"
#include "ZynAffineOp.h"
#include "ZynAliasCP.h"
#include "ZynChannelSelectOperation.h"
#include "ZynFpxCoordinator.h"
#include "ZynFpxImageSourceBasic.h"
#include "ZynFpxViewOperation.h"
#include "ZynGraph.h"
#include "ZynMatrix.h"
#include "ZynResamplingType.h"
#include "ZynSettings.h"

namespace {

const char* const kAlphaNames[] = {"READAlphaOK", "READAlphaRequ", "IGNOREAlpha", "READAlphaOnly"};

const char* const kViewParameters[] = {"FpxColorTwist",    "FpxContrast", "FpxHeight",
                                       "FpxAspectRatio",   "FpxUnit",     "FpxAffine",
                                       "FpxResamplingType"};

bool endsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// The colour space of the colour channels of an image with alpha.
ZynColorSpacePtr withoutAlpha(const ZynColorSpace& space) {
    const std::string name = space.name();
    if (name == "VDXYCCA") return std::make_shared<ZynFpxYCCColorSpace>();
    if (name == "LumA") return std::make_shared<ZynFpxLumColorSpace>();
    if (name == "RGBA") return std::make_shared<ZynFpxRGBColorSpace>();
    return std::make_shared<ZynFpxYCbCrColorSpace>();
}

ZynMatrix<double> matrixOf(const NIFColorTwistMatrix& twist) {
    return ZynMatrix<double>(4, 4, std::vector<double>(twist.m.begin(), twist.m.end()));
}

}  // namespace

std::string ZynAttributeText<ZynFpxImageSource::Alpha>::toText(ZynFpxImageSource::Alpha v) {
    if (v < ZynFpxImageSource::READAlphaOK || v > ZynFpxImageSource::READAlphaOnly)
        throw ZynError(414, "Unknown ZynFpxImageSource::Alpha");
    return kAlphaNames[v];
}

ZynFpxImageSource::Alpha ZynAttributeText<ZynFpxImageSource::Alpha>::fromText(
    const std::string& text) {
    for (int v = ZynFpxImageSource::READAlphaOK; v <= ZynFpxImageSource::READAlphaOnly; ++v)
        if (text == kAlphaNames[v]) return static_cast<ZynFpxImageSource::Alpha>(v);
    throw ZynError(414, "Unknown ZynFpxImageSource::Alpha");
}

ZynFpxImageSource::ZynFpxImageSource() {
    setLabel("FpxSourceAgg");
    setPrimaryOutput(addOutput(std::make_shared<ZynAliasCP>("out")));
    build();
}

ZynFpxImageSource::ZynFpxImageSource(const std::wstring& fileName, bool keepOpen)
    : ZynFpxImageSource() {
    setAttribute<std::wstring>("wfile_name", fileName);
    setAttribute<bool>("keep_open", keepOpen);
}

ZynFpxImageSource::ZynFpxImageSource(const ZynFpxImageSource& other)
    : ZynTransform(other), ZynTransformAggregate(other) {
    build();
    basic_->setFileName(other.basic_->fileName());
    basic_->setAttribute<bool>("keep_open", other.basic_->keepOpen());
}

ZynFpxImageSource::~ZynFpxImageSource() = default;

ZynTransformPtr ZynFpxImageSource::clone() const {
    return std::make_shared<ZynFpxImageSource>(*this);
}

void ZynFpxImageSource::alias(const std::string& name, const ZynTransform& inner) {
    auto attribute = std::make_shared<ZynAttributeAlias>(name, inner.attributePtr(name));
    addAttribute(attribute);
    // Changing it changes what this aggregate shows, so it is set up again too.
    attribute->setOwner(this);
}

void ZynFpxImageSource::build() {
    basic_ = std::make_shared<ZynFpxImageSourceBasic>();
    for (const char* name : {"file_name", "wfile_name", "keep_open"}) alias(name, *basic_);
    view_ = std::make_shared<ZynFpxViewOperation>();
    view_->imageInput(0)->connect(basic_);
    aliasOutput(0, view_, 0);
    for (const char* name : kViewParameters) alias(name, *view_);
    if (!hasAttribute("alphaChannel")) addSimpleAttribute<Alpha>("alphaChannel", IGNOREAlpha);
}

ZynTransformPtr ZynFpxImageSource::recognize(const std::wstring& fileName, FILE* file,
                                             bool keepOpen) {
    if (!file) return nullptr;
    const std::string name = qorNarrow(fileName);
    try {
        if (endsWith(name, ".fpx") || endsWith(name, ".FPX"))
            return std::make_shared<ZynFpxImageSource>(fileName, keepOpen);
        if (ZynFpxCoordinator(fileName, false).isFlashPixFile())
            return std::make_shared<ZynFpxImageSource>(fileName, keepOpen);
    } catch (const QorError& e) {
        if (ZynSettings::get().trace)
            std::cout << "exception in ZynFpxImageSource::recognize: " << e.printout() << std::endl;
    } catch (...) {
        if (ZynSettings::get().trace)
            std::cout << "Unexpected non-qor exception in FpxImageSource for file: " << name
                      << std::endl;
    }
    return nullptr;
}

std::vector<ZynTransform*> ZynFpxImageSource::innerTransforms() const {
    if (selectInUse_) return {basic_.get(), select_.get(), view_.get()};
    return {basic_.get(), view_.get()};
}

ZynTransformPtr ZynFpxImageSource::channelSelect() const {
    return selectInUse_ ? select_ : nullptr;
}

void ZynFpxImageSource::fail(const ZynError& error) {
    setError(error);
    static_cast<ZynAliasCP&>(output(0)).unalias();
}

void ZynFpxImageSource::setupTransform() {
    basic_->setLabel(label());
    view_->setLabel(label() + ".FpxViewingParameters");
    ZynGraph::ensureSetup(*basic_);
    const std::shared_ptr<ZynFpxImageSourceBasicOp>& op = basic_->op();
    if (!basic_->status()) {
        const ZynError& e = basic_->error();
        const int os = op ? op->osErrorNumber() : 0;
        return fail(ZynError(e.code(), e.message() + "System error code = " + std::to_string(os) +
                                           "\nSystem error string = " + QorError::osErrorText(os)));
    }
    const ZynTransformPtr last = alphaStage(*op);
    if (!last) return;
    view_->imageInput(0)->connect(last);
    if (parametersFrom_.lock() != op) takeViewingParameters(*op);
    parametersFrom_ = op;
    // Parameters set through this aggregate's attributes reach the view's stages, not the view.
    view_->markForSetup();
    ZynGraph::ensureSetup(*view_);
    if (!view_->status()) return fail(view_->error());
    aliasOutput(0, view_, 0);
    if (!basic_->keepOpen()) basic_->closeFile();
    setSetupDone();
}

ZynTransformPtr ZynFpxImageSource::alphaStage(const ZynFpxImageSourceBasicOp& op) {
    selectInUse_ = false;
    const Alpha mode = getAttribute<Alpha>("alphaChannel");
    const std::string setting =
        mode == READAlphaRequ ? "READ_ALPHA_CHANNEL_REQUIRED" : "READ_ALPHA_CHANNEL_ONLY";
    if ((mode == READAlphaRequ || mode == READAlphaOnly) && !op.hasAlpha()) {
        fail(ZynError(130, "The alphaChannel attribute = " + setting +
                               " which requires an alpha channel but " + basic_->narrowFileName() +
                               " does not contain one."));
        return nullptr;
    }
    const int n = op.channels();
    if (mode == IGNOREAlpha && op.hasAlpha()) {
        std::vector<int> colors(static_cast<size_t>(n - 1));
        for (int k = 0; k < n - 1; ++k) colors[static_cast<size_t>(k)] = k;
        return selectChannels(colors, withoutAlpha(*basic_->imageOutput(0)->colorSpace()));
    }
    if (mode == READAlphaOnly)
        return selectChannels({n - 1}, std::make_shared<ZynFpxLumColorSpace>());
    return basic_;
}

ZynTransformPtr ZynFpxImageSource::selectChannels(std::vector<int> bands,
                                                  ZynColorSpacePtr colorSpace) {
    if (!select_) select_ = std::make_shared<ZynChannelSelectOperation>(basic_);
    select_->setLabel(label() + ".ChannelSelect");
    select_->setAttribute<bool>("allBands", false);
    select_->setAttribute<std::vector<int>>("inputs", std::vector<int>(bands.size(), 0));
    select_->setAttribute<std::vector<int>>("bands", bands);
    select_->setAttribute<ZynColorSpacePtr>("colorSpace", colorSpace);
    selectInUse_ = true;
    return select_;
}

void ZynFpxImageSource::takeViewingParameters(const ZynFpxImageSourceBasicOp& op) {
    const ZynFpxViewingParameters& p = op.viewingParameters();
    const double height = op.imageHeight();
    const double ownAspect = height > 0 ? op.imageWidth() / height : 0.0;
    ZynAffineOp::Affines affines;
    if (p.affine) {
        const auto& m = p.affine->m;
        affines = {m[0], m[1], m[3], m[4], m[5], m[7]};
    }
    view_->setAttribute<ZynMatrix<double>>("FpxColorTwist",
                                           matrixOf(p.colorTwist.value_or(NIFColorTwistMatrix())));
    view_->setAttribute<double>("FpxContrast", p.contrast.value_or(1.0f));
    // A file that stores its own aspect ratio can only store it to float precision; taken as it
    // is, it would resample the whole image by a factor a hair away from 1.
    const bool own = !p.aspectRatio || std::abs(*p.aspectRatio - ownAspect) <= ownAspect * 1e-6;
    view_->setAttribute<double>("FpxAspectRatio", own ? ownAspect : *p.aspectRatio);
    view_->setAttribute<double>("FpxHeight", 1.0);
    view_->setAttribute<unsigned>("FpxUnit", static_cast<unsigned>(ZynUnit::Height));
    view_->setAttribute<ZynAffineOp::Affines>("FpxAffine", affines);
    view_->setAttribute<ZynResamplingType::Enum>("FpxResamplingType", ZynResamplingType::NEAREST);
}
