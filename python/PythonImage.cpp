#include "PythonImage.h"

#include <algorithm>
#include <sstream>

#include "CTevTransformBase.h"
#include "OperationStep.h"
#include "QorString.h"
#include "ZynAnyImageSource.h"
#include "ZynGraph.h"
#include "ZynImageOutputCP.h"
#include "ZynTransformRegistryEntry.h"

namespace {

// Strips of at least this many samples keep per-request overhead out of the picture.
constexpr uint64_t kStripSamples = 1u << 20;

ZynTransformPtr createSource(const std::string& source) {
    if (source.empty()) return std::make_shared<ZynAnyImageSource>();
    return ZynTransformRegistry::create(source);
}

std::string registryNameOf(const ZynTransform& t) {
    for (const auto* entry : ZynTransformRegistry::entries())
        if (entry->className() == t.typeName()) return entry->registryName();
    return t.typeName();
}

}  // namespace

PythonImage::PythonImage(const Opening& opening)
    : opening_(opening), source_(openSource(opening)), last_(source_) {
    readers_ = std::make_shared<ReaderPool>(last_, opener());
}

ZynTransformPtr PythonImage::openSource(const Opening& opening) {
    ZynTransformPtr source = createSource(opening.source);
    auto* any = dynamic_cast<ZynAnyImageSource*>(source.get());
    if (!opening.description.empty()) {
        std::istringstream text(opening.description);
        source->loadDescription(text);
    }
    source->setAttribute<std::wstring>("wfile_name", qorWiden(opening.file));
    if (source->hasAttribute("keep_open"))
        source->setAttribute<bool>("keep_open", opening.keepOpen);
    std::map<std::string, std::string> formatAttributes;
    for (const auto& [name, value] : opening.attributes) {
        if (source->hasAttribute(name) || !any)
            source->setAttributeText(name, value);
        else
            formatAttributes.emplace(name, value);
    }
    ZynGraph::ensureSetup(*source);
    // A file that cannot be opened fails here, not at the first question asked of it.
    if (!CTevTransformBase::StatusOK(source)) throw source->error();
    if (!formatAttributes.empty()) {
        // Recognition built the format source; what only it knows is set now, and set up again.
        ZynTransform& format = *any->transforms().front();
        for (const auto& [name, value] : formatAttributes) format.setAttributeText(name, value);
        ZynGraph::ensureSetup(*source);
        if (!CTevTransformBase::StatusOK(source)) throw source->error();
    }
    return source;
}

ZynTransformPtr PythonImage::appendSteps(ZynTransformPtr last,
                                         const std::vector<std::string>& steps) {
    std::vector<OperationStep> parsed;
    for (const std::string& text : steps) parsed.push_back(OperationStep::parse(text));
    for (const OperationStep& step : parsed) last = step.appendTo(last);
    ZynGraph::ensureSetup(*last);
    return last;
}

ReaderPool::Opener PythonImage::opener() const {
    return [opening = opening_, steps = steps_] { return appendSteps(openSource(opening), steps); };
}

ZynAnyImageSource* PythonImage::any() const {
    return dynamic_cast<ZynAnyImageSource*>(source_.get());
}

std::string PythonImage::sourceName() const {
    if (!any()) return registryNameOf(*source_);
    const auto& inner = any()->transforms();
    return inner.empty() ? std::string() : registryNameOf(*inner.front());
}

bool PythonImage::statusOK() const {
    return CTevTransformBase::StatusOK(source_);
}

ZynImageOutputCP& PythonImage::output() {
    if (!statusOK()) throw source_->error();
    if (!ZynGraph::statusOK(*last_)) throw last_->error();
    ZynImageOutputCP* out = last_->imageOutput(last_->primaryOutputIndex());
    if (!out || !out->hasDescription())
        throw ZynError(125, "The source describes no image on its primary output");
    if (out->error()) throw *out->error();
    return *out;
}

ZynColorSpacePtr PythonImage::colorSpace() {
    return output().colorSpace();
}

std::vector<ZynResolution> PythonImage::resolutions() {
    return output().coordSpace()->resolutions();
}

ZynResolution PythonImage::defaultResolution() {
    const ZynXyCoordSpace& space = *output().coordSpace();
    if (space.resolutions().empty()) throw ZynError(3, "The image offers no resolution");
    return space.resolutions()[static_cast<size_t>(space.defaultResolution())];
}

ZynResolution PythonImage::resolutionAt(int level) {
    const std::vector<ZynResolution> all = resolutions();
    if (level < 0 || level >= static_cast<int>(all.size()))
        throw ZynError(3, "Resolution level " + std::to_string(level) +
                              " does not exist; the image has " + std::to_string(all.size()));
    return all[static_cast<size_t>(level)];
}

ZynResolution PythonImage::checkedResolution(const ZynResolution& size) {
    const std::vector<ZynResolution> all = resolutions();
    if (std::find(all.begin(), all.end(), size) == all.end())
        throw ZynError(3, "Unsupported resolution " + std::to_string(size.width) + "x" +
                              std::to_string(size.height));
    return size;
}

ZynOutputInfo PythonImage::outputInfo(const ZynResolution& resolution) {
    ZynOutputInfo info;
    if (!output().opFor(resolution)->outputInfoBase(info)) throw info.error;
    return info;
}

void PythonImage::metaData(const std::string& key, VARIANT* value) const {
    CTevTransformBase::GetMetaData(source_, qorWiden(key), value);
}

void PythonImage::append(const std::vector<std::string>& steps) {
    last_ = appendSteps(last_, steps);
    steps_.insert(steps_.end(), steps.begin(), steps.end());
    readers_->replace(last_, opener());
}

void PythonImage::render(const ZynTransformPtr& graph, const ZynResolution& resolution,
                         const ZynRectBuffer& buffer) {
    ZynOutputInfo info;
    ZynImageOutputCP* out = graph->imageOutput(graph->primaryOutputIndex());
    if (!out->opFor(resolution)->outputInfoBase(info)) throw info.error;
    // Strips start on native tile rows of the image so that none is decoded twice.
    const ZynRect& rect = buffer.rect();
    const uint64_t tile = std::max<uint32_t>(info.dataOrg->height(), 1);
    const uint64_t rowSamples = static_cast<uint64_t>(rect.width) * buffer.bands();
    const auto unit =
        static_cast<int64_t>(tile * std::max<uint64_t>(1, kStripSamples / (rowSamples * tile)));
    for (int64_t y = rect.y; y < rect.bottom();) {
        const int64_t rows = std::min((y / unit + 1) * unit, rect.bottom()) - y;
        ZynRectBuffer strip = buffer.subView({rect.x, y, rect.width, rows});
        ZynGraph::render(*graph, graph->primaryOutputIndex(), resolution, strip);
        y += rows;
    }
}
