#pragma once

#include <memory>

#include "ZynInputCP.h"
#include "ZynTransform.h"
#include "ZynUpstream.h"

// An image input: connected to an output of another transform, which it keeps alive.
class ZynImageInputCP : public ZynInputCP {
  public:
    explicit ZynImageInputCP(std::string name) : ZynInputCP(std::move(name)) {}

    ZynImageInputCP* target() override { return this; }
    std::shared_ptr<ZynInputCP> cloneDeclaration() const override {
        return std::make_shared<ZynImageInputCP>(name());
    }

    void connect(const ZynTransformPtr& upstream, int outputIndex = 0);
    void disconnect();
    bool isConnected() const { return upstream_ != nullptr; }
    ZynTransform* upstreamTransform() const override { return upstream_.get(); }
    int upstreamOutputIndex() const { return outputIndex_; }
    // The image output feeding this input (through aliases), or null.
    ZynImageOutputCP* upstreamOutput() const;
    // Connected to an output with a description, and the feeding transform's status is good.
    bool isGood() const;
    ZynUpstream upstream(const ZynResolution& resolution) const;

  private:
    ZynTransformPtr upstream_;
    int outputIndex_ = 0;
};

// An input that forwards to an input of an inner transform.
class ZynInputAliasCP : public ZynInputCP {
  public:
    explicit ZynInputAliasCP(std::string name) : ZynInputCP(std::move(name)) {}

    ZynImageInputCP* target() override;
    ZynTransform* upstreamTransform() const override;
    std::shared_ptr<ZynInputCP> cloneDeclaration() const override {
        return std::make_shared<ZynInputAliasCP>(name());
    }

    // Re-pointing marks the owner for setup, unless the owner's own setup does it (`fromSetup`).
    void alias(const ZynTransformPtr& inner, int inputIndex, bool fromSetup = false);
    void unalias();

  private:
    ZynTransformPtr inner_;
    int inputIndex_ = -1;
};
