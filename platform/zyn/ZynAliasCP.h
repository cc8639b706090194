#pragma once

#include <memory>

#include "ZynOutputCP.h"
#include "ZynTransform.h"

// An output that forwards to an output of another (usually inner) transform.
class ZynAliasCP : public ZynOutputCP {
  public:
    explicit ZynAliasCP(std::string name) : ZynOutputCP(std::move(name)) {}

    ZynImageOutputCP* target() override;
    std::shared_ptr<ZynOutputCP> cloneDeclaration() const override {
        return std::make_shared<ZynAliasCP>(name());
    }

    void alias(const ZynTransformPtr& transform, int outputIndex);
    void unalias();
    bool isAliased() const { return transform_ != nullptr; }
    ZynTransform* aliasedTransform() const { return transform_.get(); }

  private:
    ZynTransformPtr transform_;
    int outputIndex_ = -1;
};
