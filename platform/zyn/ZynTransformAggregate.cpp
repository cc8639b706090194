#include "ZynTransformAggregate.h"

#include "ZynGraph.h"

void ZynTransformAggregate::addTransform(const ZynTransformPtr& transform, bool setUp) {
    inner_.push_back(transform);
    if (setUp) ZynGraph::ensureSetup(*transform);
}

std::vector<ZynTransform*> ZynTransformAggregate::innerTransforms() const {
    std::vector<ZynTransform*> all;
    for (const auto& t : inner_) all.push_back(t.get());
    return all;
}

void ZynTransformAggregate::aliasOutput(int outputIndex, const ZynTransformPtr& inner,
                                        int innerOutput) {
    auto* alias = dynamic_cast<ZynAliasCP*>(&output(outputIndex));
    if (!alias)
        throw ZynError(
            3, "Output " + std::to_string(outputIndex) + " of " + describe() + " is not an alias");
    alias->alias(inner, innerOutput);
}

bool ZynTransformAggregate::readMetadata(const std::string& key, VulMetaValue& value) {
    auto* alias = dynamic_cast<ZynAliasCP*>(&primaryOutput());
    ZynTransform* inner = alias ? alias->aliasedTransform() : nullptr;
    return inner && inner->readMetadata(key, value);
}
