#pragma once

#include <memory>
#include <optional>

#include "ZynOutputCP.h"
#include "ZynTransform.h"

// An output that forwards to an output of another (usually inner) transform.
class ZynAliasCP : public ZynOutputCP {
  public:
    explicit ZynAliasCP(std::string name) : ZynOutputCP(std::move(name)) {}

    ZynImageOutputCP* target() override;
    std::shared_ptr<ZynOutputCP> cloneDeclaration() const override;

    void alias(const ZynTransformPtr& transform, int outputIndex);
    void unalias();
    bool isAliased() const { return transform_ != nullptr; }
    ZynTransform* aliasedTransform() const { return transform_.get(); }

    // Caching asked of this output. It is handed on to every output the alias is pointed at, so
    // it outlasts the inner transform the owner rebuilds at each setup. Never asked, the target
    // keeps its own.
    bool caching();
    void setCaching(bool caching);

  private:
    void handOnCaching();

    ZynTransformPtr transform_;
    int outputIndex_ = -1;
    std::optional<bool> caching_;
};
