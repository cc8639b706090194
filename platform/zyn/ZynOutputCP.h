#pragma once

#include <memory>
#include <string>

class ZynTransform;
class ZynImageOutputCP;

// An output connection point: an image output, or an alias that forwards to another output.
class ZynOutputCP {
  public:
    explicit ZynOutputCP(std::string name) : name_(std::move(name)) {}
    virtual ~ZynOutputCP() = default;

    const std::string& name() const { return name_; }
    ZynTransform* owner() const { return owner_; }
    int index() const { return index_; }
    void attach(ZynTransform* owner, int index) {
        owner_ = owner;
        index_ = index;
    }

    // The image output this point stands for, or null (an alias not pointed anywhere).
    virtual ZynImageOutputCP* target() = 0;
    // A fresh point of the same kind and name for a copied transform.
    virtual std::shared_ptr<ZynOutputCP> cloneDeclaration() const = 0;

  private:
    std::string name_;
    ZynTransform* owner_ = nullptr;
    int index_ = -1;
};
