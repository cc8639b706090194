#pragma once

#include <memory>
#include <string>

class ZynTransform;
class ZynImageInputCP;

// An input connection point: an image input, a value-stream input, or an alias that forwards to
// an inner input.
class ZynInputCP {
  public:
    explicit ZynInputCP(std::string name) : name_(std::move(name)) {}
    virtual ~ZynInputCP() = default;

    const std::string& name() const { return name_; }
    ZynTransform* owner() const { return owner_; }
    void attach(ZynTransform* owner) { owner_ = owner; }

    virtual ZynImageInputCP* target() = 0;
    // The transform feeding this point (through aliases), or null: set up before the owner.
    virtual ZynTransform* upstreamTransform() const = 0;
    virtual std::shared_ptr<ZynInputCP> cloneDeclaration() const = 0;

  private:
    std::string name_;
    ZynTransform* owner_ = nullptr;
};
