#include "CTevTransformBase.h"

#include "QorString.h"
#include "TevMetaVariant.h"
#include "VulMetaData.h"
#include "VulMetaDataRegistry.h"
#include "ZynAliasCP.h"
#include "ZynGraph.h"
#include "ZynImageOutputCP.h"
#include "ZynTransformDescription.h"

namespace {

ZynTransform& checked(const ZynTransformPtr& transform) {
    if (!transform) throw ZynError(3, "The control has no transform");
    return *transform;
}

void checkOutputIndex(const ZynTransform& t, LONG index) {
    if (index < 0 || index >= t.numOutputs())
        throw ZynError(13, "Output index " + std::to_string(index) +
                               " is out of range: " + t.describe() + " has " +
                               std::to_string(t.numOutputs()) + " output(s)");
}

// The output's description after the pending setups.
ZynImageOutputCP& describedOutput(const ZynTransformPtr& transform, LONG index) {
    ZynTransform& t = checked(transform);
    checkOutputIndex(t, index);
    ZynGraph::ensureSetup(t);
    if (!t.status()) throw ZynError(t.error());
    ZynImageOutputCP* out = t.imageOutput(index);
    if (!out || !out->hasDescription())
        throw ZynError(
            125, "Output " + std::to_string(index) + " of " + t.describe() + " describes no image");
    if (out->error()) throw *out->error();
    return *out;
}

const ZynResolution& resolutionAt(const ZynTransformPtr& transform, LONG outputIndex,
                                  LONG resolutionIndex) {
    const auto& all = describedOutput(transform, outputIndex).coordSpace()->resolutions();
    if (resolutionIndex < 0 || resolutionIndex >= static_cast<LONG>(all.size()))
        throw ZynError(13, "Resolution index " + std::to_string(resolutionIndex) +
                               " is out of range: output " + std::to_string(outputIndex) + " has " +
                               std::to_string(all.size()) + " resolution(s)");
    return all[static_cast<size_t>(resolutionIndex)];
}

void setOutputCaching(ZynOutputCP& output, bool caching) {
    if (auto* alias = dynamic_cast<ZynAliasCP*>(&output))
        alias->setCaching(caching);
    else if (auto* image = dynamic_cast<ZynImageOutputCP*>(&output))
        image->setCaching(caching);
}

bool outputCaching(ZynOutputCP& output) {
    if (auto* alias = dynamic_cast<ZynAliasCP*>(&output)) return alias->caching();
    auto* image = dynamic_cast<ZynImageOutputCP*>(&output);
    return image && image->caching();
}

}  // namespace

bool CTevTransformBase::StatusOK(ZynTransformPtr transform) {
    return ZynGraph::statusOK(checked(transform));
}

std::wstring CTevTransformBase::get_Label(ZynTransformPtr transform) {
    return qorWiden(checked(transform).label());
}

void CTevTransformBase::put_Label(ZynTransformPtr transform, const std::wstring& label) {
    checked(transform).setLabel(qorNarrow(label));
}

void CTevTransformBase::DumpGraph(ZynTransformPtr transform, const std::wstring& fileName) {
    ZynTransform& t = checked(transform);
    ZynGraph::ensureSetup(t);
    zynDumpGraph(t, qorNarrow(fileName));
}

bool CTevTransformBase::get_Caching(ZynTransformPtr transform) {
    ZynTransform& t = checked(transform);
    return t.numOutputs() > 0 && outputCaching(t.primaryOutput());
}

void CTevTransformBase::put_Caching(ZynTransformPtr transform, bool caching) {
    ZynTransform& t = checked(transform);
    for (int i = 0; i < t.numOutputs(); ++i) setOutputCaching(t.output(i), caching);
}

void CTevTransformBase::SetCaching(ZynTransformPtr transform, LONG outputIndex, bool caching) {
    ZynTransform& t = checked(transform);
    checkOutputIndex(t, outputIndex);
    setOutputCaching(t.output(outputIndex), caching);
}

bool CTevTransformBase::GetCaching(ZynTransformPtr transform, LONG outputIndex) {
    ZynTransform& t = checked(transform);
    checkOutputIndex(t, outputIndex);
    return outputCaching(t.output(outputIndex));
}

TevColorSpace CTevTransformBase::GetColorSpace(ZynTransformPtr transform, LONG outputIndex) {
    return colorSpaceOf(*describedOutput(transform, outputIndex).colorSpace());
}

TevSpatialUnit CTevTransformBase::GetUnit(ZynTransformPtr transform, LONG outputIndex) {
    return static_cast<TevSpatialUnit>(
        describedOutput(transform, outputIndex).coordSpace()->width().unit);
}

double CTevTransformBase::GetWidth(ZynTransformPtr transform, LONG outputIndex) {
    return describedOutput(transform, outputIndex).coordSpace()->width().value;
}

double CTevTransformBase::GetHeight(ZynTransformPtr transform, LONG outputIndex) {
    return describedOutput(transform, outputIndex).coordSpace()->height().value;
}

LONG CTevTransformBase::GetNumResolutions(ZynTransformPtr transform, LONG outputIndex) {
    return static_cast<LONG>(
        describedOutput(transform, outputIndex).coordSpace()->resolutions().size());
}

LONG CTevTransformBase::GetHorzResolution(ZynTransformPtr transform, LONG outputIndex,
                                          LONG resolutionIndex) {
    return static_cast<LONG>(resolutionAt(transform, outputIndex, resolutionIndex).width);
}

LONG CTevTransformBase::GetVertResolution(ZynTransformPtr transform, LONG outputIndex,
                                          LONG resolutionIndex) {
    return static_cast<LONG>(resolutionAt(transform, outputIndex, resolutionIndex).height);
}

void CTevTransformBase::LoadMetaDataRegistryFile(ZynTransformPtr transform,
                                                 const std::wstring& path, int mode) {
    checked(transform);
    VulMetaDataRegistry::instance().load(qorNarrow(path), mode);
}

void CTevTransformBase::ClearMetaDataRegistry(ZynTransformPtr transform) {
    checked(transform);
    VulMetaDataRegistry::instance().clear();
}

void CTevTransformBase::GetMetaData(ZynTransformPtr transform, const std::wstring& key,
                                    VARIANT* value) {
    ZynTransform& t = checked(transform);
    describedOutput(transform, t.primaryOutputIndex());
    const VulMetaData item = VulMetaData::read(
        qorNarrow(key),
        [&](const std::string& k, VulMetaValue& v) { return t.readMetadata(k, v); });
    const HRESULT hr = TevMetaValueToVariant(item.value(), value);
    if (FAILED(hr))
        throw ZynError(
            3, "The value of metadata key \"" + item.key() + "\" cannot be passed as a variant");
}

LONG CTevTransformBase::GetMetaDataUsage(ZynTransformPtr transform, const std::wstring& key) {
    checked(transform);
    return static_cast<LONG>(VulMetaDataRegistry::instance().usage(qorNarrow(key)));
}

TevColorSpace CTevTransformBase::colorSpaceOf(const ZynColorSpace& space) {
    switch (space.kind()) {
        case ZynColorKind::RGB:
        case ZynColorKind::FpxRGB:
            return TEV_RGB;
        case ZynColorKind::RGBA:
        case ZynColorKind::FpxRGBA:
            return TEV_RGBA;
        case ZynColorKind::Lum:
        case ZynColorKind::FpxLum:
            return TEV_LUM;
        case ZynColorKind::LumA:
        case ZynColorKind::FpxLumA:
            return TEV_LUMA;
        case ZynColorKind::CMY:
            return TEV_CMY;
        case ZynColorKind::CMYK:
            return TEV_CMYK;
        case ZynColorKind::YCbCr:
        case ZynColorKind::FpxYCbCr:
            return TEV_YCbCr;
        case ZynColorKind::YCbCrA:
        case ZynColorKind::FpxYCbCrA:
            return TEV_YCbCrA;
        case ZynColorKind::AdobeSRGB:
            return TEV_ADOBESRGB;
        case ZynColorKind::VDXYCC:
        case ZynColorKind::FpxYCC:
            return TEV_VDXYCC;
        case ZynColorKind::VDXYCCA:
        case ZynColorKind::FpxYCCA:
            return TEV_VDXYCCA;
        case ZynColorKind::VDXRGB:
            return TEV_VDXRGB;
        case ZynColorKind::VDXLum:
            return TEV_VDXLUM;
        case ZynColorKind::Generic:
            switch (space.bands()) {
                case 1:
                    return TEV_GENERIC1;
                case 3:
                    return TEV_GENERIC3;
                case 4:
                    return TEV_GENERIC4;
                default:
                    return TEV_GENERICN;
            }
    }
    return TEV_UNKNOWN;
}
