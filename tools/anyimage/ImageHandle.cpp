#include "ImageHandle.h"

#include <algorithm>

#include "CTevTransformBase.h"
#include "ComBstr.h"
#include "ComString.h"
#include "OperationPipeline.h"
#include "QorString.h"
#include "RawDescription.h"
#include "ZynAnyImageSource.h"
#include "ZynGraph.h"
#include "ZynTransformRegistryEntry.h"

namespace {

std::string registryNameOf(const ZynTransform& t) {
    for (const auto* entry : ZynTransformRegistry::entries())
        if (entry->className() == t.typeName()) return entry->registryName();
    return t.typeName();
}

ComBstr bstrOf(const std::string& text) {
    return ComBstr(comFromUtf8(text));
}

}  // namespace

ImageHandle::ImageHandle(const std::string& file, const AnyImageArgs& args) {
    if (!args.source.empty()) {
        byName_ = ZynTransformRegistry::create(args.source);
        if (!args.describe.empty()) applyDescriptionFile(*byName_, args.describe);
        byName_->setAttribute<std::wstring>("wfile_name", qorWiden(file));
        if (byName_->hasAttribute("keep_open"))
            byName_->setAttribute<bool>("keep_open", args.keepOpen);
        transform_ = byName_.get();
        ZynGraph::ensureSetup(*transform_);
    } else {
        openThroughControl(file, args);
    }
    if (args.operations.empty()) return;
    operations_ = OperationPipeline(transform_->shared_from_this(), args.operations).last();
    ZynGraph::ensureSetup(*operations_);
}

void ImageHandle::openThroughControl(const std::string& file, const AnyImageArgs& args) {
    control_.emplace();
    const ComBstr name = bstrOf(file);
    AnyImageControl::check((*control_)->put_Filename(name.get()));
    AnyImageControl::check(
        control_->as<ITevFileMgmt>(IID_ITevFileMgmt)
            ->put_KeepImageFileOpen(args.keepOpen ? VARIANT_TRUE : VARIANT_FALSE));
    AnyImageControl::check(
        control_->as<ITevZynWrapper2>(IID_ITevZynWrapper2)->GetZynTransform(&transform_));
    // The control opens the file at its first query.
    statusOK();
}

ZynImageOutputCP& ImageHandle::output() {
    if (!statusOK()) throw transform_->error();
    if (operations_ && !ZynGraph::statusOK(*operations_)) throw operations_->error();
    ZynImageOutputCP* out = image().imageOutput(image().primaryOutputIndex());
    if (!out || !out->hasDescription())
        throw ZynError(125, "The source describes no image on its primary output");
    if (out->error()) throw *out->error();
    return *out;
}

std::string ImageHandle::sourceDescription() const {
    const auto* any = dynamic_cast<const ZynAnyImageSource*>(transform_);
    if (!any) return registryNameOf(*transform_) + " created by name";
    if (any->transforms().empty()) return "none";
    const ZynTransform& inner = *any->transforms().front();
    return registryNameOf(inner) + " behind \"" + inner.label() + "\"";
}

std::string ImageHandle::controlDescription() const {
    return control_ ? control_->origin() : "none (source created by name)";
}

bool ImageHandle::statusOK() {
    if (!control_) return CTevTransformBase::StatusOK(byName_);
    VARIANT_BOOL ok = VARIANT_FALSE;
    AnyImageControl::check((*control_)->StatusOK(&ok));
    return ok == VARIANT_TRUE;
}

ZynValue ImageHandle::width() {
    return extent(true);
}

ZynValue ImageHandle::height() {
    return extent(false);
}

ZynValue ImageHandle::extent(bool horizontal) {
    const LONG out = transform_->primaryOutputIndex();
    if (!control_)
        return {horizontal ? CTevTransformBase::GetWidth(byName_, out)
                           : CTevTransformBase::GetHeight(byName_, out),
                static_cast<ZynUnit>(CTevTransformBase::GetUnit(byName_, out))};
    ZynValue value;
    TevSpatialUnit unit = TEV_UNDEFINED;
    AnyImageControl::check(horizontal ? (*control_)->GetWidth(out, &value.value)
                                      : (*control_)->GetHeight(out, &value.value));
    AnyImageControl::check((*control_)->GetUnit(out, &unit));
    value.unit = static_cast<ZynUnit>(unit);
    return value;
}

TevColorSpace ImageHandle::colorSpace() {
    const LONG out = transform_->primaryOutputIndex();
    if (!control_) return CTevTransformBase::GetColorSpace(byName_, out);
    TevColorSpace space = TEV_UNKNOWN;
    AnyImageControl::check((*control_)->GetColorSpace(out, &space));
    return space;
}

std::vector<ZynResolution> ImageHandle::resolutions() {
    const LONG out = transform_->primaryOutputIndex();
    std::vector<ZynResolution> all;
    if (!control_) {
        const LONG count = CTevTransformBase::GetNumResolutions(byName_, out);
        for (LONG i = 0; i < count; ++i)
            all.push_back(
                {static_cast<uint32_t>(CTevTransformBase::GetHorzResolution(byName_, out, i)),
                 static_cast<uint32_t>(CTevTransformBase::GetVertResolution(byName_, out, i))});
        return all;
    }
    LONG count = 0;
    AnyImageControl::check((*control_)->GetNumResolutions(out, &count));
    for (LONG i = 0; i < count; ++i) {
        LONG width = 0, height = 0;
        AnyImageControl::check((*control_)->GetHorzResolution(out, i, &width));
        AnyImageControl::check((*control_)->GetVertResolution(out, i, &height));
        all.push_back({static_cast<uint32_t>(width), static_cast<uint32_t>(height)});
    }
    return all;
}

void ImageHandle::loadMetaDataRegistry(const std::string& path) {
    if (!control_)
        return CTevTransformBase::LoadMetaDataRegistryFile(byName_, qorWiden(path),
                                                           VUL_MMA_DEFAULT);
    const ComBstr file = bstrOf(path);
    AnyImageControl::check(control_->as<IQORMetaDataRead>(IID_IQORMetaDataRead)
                               ->LoadMetaDataRegistryFile(file.get(), VUL_MMA_DEFAULT));
}

void ImageHandle::metaData(const std::string& key, VARIANT* value) {
    if (!control_) return CTevTransformBase::GetMetaData(byName_, qorWiden(key), value);
    const ComBstr name = bstrOf(key);
    AnyImageControl::check(
        control_->as<IQORMetaDataRead>(IID_IQORMetaDataRead)->GetMetaData(name.get(), value));
}

std::optional<LONG> ImageHandle::metaDataUsage(const std::string& key) {
    if (!control_) {
        try {
            return CTevTransformBase::GetMetaDataUsage(byName_, qorWiden(key));
        } catch (const QorError&) {
            return std::nullopt;
        }
    }
    const ComBstr name = bstrOf(key);
    LONG usage = 0;
    const HRESULT hr =
        control_->as<IQORMetaDataRead>(IID_IQORMetaDataRead)->GetMetaDataUsage(name.get(), &usage);
    if (FAILED(hr)) return std::nullopt;
    return usage;
}

ZynResolution ImageHandle::resolution(const AnyImageArgs& args) {
    const ZynXyCoordSpace& space = *output().coordSpace();
    const std::vector<ZynResolution> all = operations_ ? space.resolutions() : resolutions();
    if (all.empty()) throw ZynError(3, "The image offers no resolution");
    if (args.size) {
        if (std::find(all.begin(), all.end(), *args.size) == all.end())
            throw ZynError(3, "Unsupported resolution " + std::to_string(args.size->width) + "x" +
                                  std::to_string(args.size->height));
        return *args.size;
    }
    if (args.level) {
        if (*args.level >= static_cast<int>(all.size()))
            throw ZynError(3, "Resolution level " + std::to_string(*args.level) +
                                  " does not exist; the image has " + std::to_string(all.size()));
        return all[static_cast<size_t>(*args.level)];
    }
    return all[static_cast<size_t>(space.defaultResolution())];
}

ZynOutputInfo ImageHandle::outputInfo(const ZynResolution& resolution) {
    ZynOutputInfo info;
    if (!output().opFor(resolution)->outputInfoBase(info)) throw info.error;
    return info;
}

void ImageHandle::render(const ZynResolution& resolution, ZynRectBuffer& buffer) {
    ZynGraph::render(image(), image().primaryOutputIndex(), resolution, buffer);
}
