#include "ImageHandle.h"

#include "OperationPipeline.h"
#include "QorString.h"
#include "ZynAnyImageSource.h"
#include "ZynGraph.h"
#include "ZynTransformRegistryEntry.h"

namespace {

std::string registryNameOf(const ZynTransform& t) {
    for (const auto* entry : ZynTransformRegistry::entries())
        if (entry->className() == t.typeName()) return entry->registryName();
    return t.typeName();
}

}  // namespace

ImageHandle::ImageHandle(const std::string& file, const AnyImageArgs& args) {
    transform_ = args.source.empty() ? std::make_shared<ZynAnyImageSource>()
                                     : ZynTransformRegistry::create(args.source);
    transform_->setAttribute<std::wstring>("wfile_name", qorWiden(file));
    if (transform_->hasAttribute("keep_open"))
        transform_->setAttribute<bool>("keep_open", args.keepOpen);
    ZynGraph::ensureSetup(*transform_);
    image_ = OperationPipeline(transform_, args.operations).last();
    ZynGraph::ensureSetup(*image_);
}

ZynImageOutputCP& ImageHandle::output() {
    if (!image_->status()) throw image_->error();
    ZynImageOutputCP* out = image_->imageOutput(image_->primaryOutputIndex());
    if (!out || !out->hasDescription())
        throw ZynError(125, "The source describes no image on its primary output");
    if (out->error()) throw *out->error();
    return *out;
}

std::string ImageHandle::sourceDescription() const {
    const auto* any = dynamic_cast<const ZynAnyImageSource*>(transform_.get());
    if (!any) return registryNameOf(*transform_) + " created by name";
    if (any->transforms().empty()) return "none";
    const ZynTransform& inner = *any->transforms().front();
    return registryNameOf(inner) + " behind \"" + inner.label() + "\"";
}

ZynResolution ImageHandle::resolution(const AnyImageArgs& args) {
    const ZynXyCoordSpace& space = *output().coordSpace();
    const auto& all = space.resolutions();
    if (all.empty()) throw ZynError(3, "The image offers no resolution");
    if (args.size) {
        if (!space.hasResolution(*args.size))
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
    ZynGraph::render(*image_, image_->primaryOutputIndex(), resolution, buffer);
}
