#pragma once

#include <vector>

#include "ZynAliasCP.h"
#include "ZynTransform.h"

// A transform made of inner transforms, whose connection points are aliases of theirs.
class ZynTransformAggregate : public virtual ZynTransform {
  public:
    ZynTransformAggregate() = default;
    // A copy starts without inner transforms: its setup builds them again.
    ZynTransformAggregate(const ZynTransformAggregate& other) : ZynTransform(other) {}

    void dropTransforms() { inner_.clear(); }
    // Adds an inner transform; with `setUp` it is set up at once.
    void addTransform(const ZynTransformPtr& transform, bool setUp);
    const std::vector<ZynTransformPtr>& transforms() const { return inner_; }
    std::vector<ZynTransform*> innerTransforms() const override;

    // Points alias output `outputIndex` at output `innerOutput` of `inner`.
    void aliasOutput(int outputIndex, const ZynTransformPtr& inner, int innerOutput);

    // Metadata comes from the transform behind the primary output.
    bool readMetadata(const std::string& key, VulMetaValue& value) override;

  private:
    std::vector<ZynTransformPtr> inner_;
};
