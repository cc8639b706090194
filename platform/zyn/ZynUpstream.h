#pragma once

#include "ZynImageOutputCP.h"
#include "ZynTransform.h"

// What an operation's op holds of one input: the output feeding it and the resolution it is
// read at. Keeps the upstream transform alive.
class ZynUpstream {
  public:
    ZynUpstream() = default;
    ZynUpstream(ZynTransformPtr transform, ZynImageOutputCP* output, ZynResolution resolution)
        : transform_(std::move(transform)), output_(output), resolution_(resolution) {}

    explicit operator bool() const { return output_ != nullptr; }
    const ZynResolution& resolution() const { return resolution_; }
    ZynImageOutputCP& output() const { return *output_; }

    const ZynColorSpacePtr& colorSpace() const { return output_->colorSpace(); }
    const ZynDataOrgPtr& dataOrg() const { return output_->dataOrg(); }
    // The upstream op's information at this resolution.
    bool outputInfo(ZynOutputInfo& info) const;
    // Whether the upstream op takes concurrent requests in any order well.
    bool takesConcurrentRequests() const {
        return output_->opFor(resolution_)->takesConcurrentRequests();
    }
    // Fills the buffer's rectangle from upstream.
    void render(ZynRectBuffer& buffer) const { output_->renderRect(resolution_, buffer); }

  private:
    ZynTransformPtr transform_;
    ZynImageOutputCP* output_ = nullptr;
    ZynResolution resolution_;
};
