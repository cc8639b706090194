#pragma once

#include <memory>
#include <string>

#include "ZynAttributeText.h"
#include "ZynError.h"

class ZynTransform;

// A named, typed value of a transform. Setting it runs the owner's change handling.
class ZynAttribute {
  public:
    explicit ZynAttribute(std::string name) : name_(std::move(name)) {}
    virtual ~ZynAttribute() = default;

    const std::string& name() const { return name_; }
    bool readOnly() const { return readOnly_; }
    void setReadOnly(bool readOnly) { readOnly_ = readOnly; }
    ZynTransform* owner() const { return owner_; }
    void setOwner(ZynTransform* owner) { owner_ = owner; }

    virtual std::string typeName() const = 0;
    virtual std::string toText() const = 0;
    virtual void fromText(const std::string& text) = 0;
    // A copy of the value under the same name, not yet owned.
    virtual std::unique_ptr<ZynAttribute> clone() const = 0;
    // The attribute that holds the value: itself, or an alias's target.
    virtual ZynAttribute& target() { return *this; }
    virtual bool isAlias() const { return false; }

    // Runs the change handling of the owner.
    void notifyChanged();

  protected:
    void checkWritable() const {
        if (readOnly_) throw ZynError(21, name_);
    }
    // Work a subclass does on a change before the owner is told.
    virtual void onChanged() {}

  private:
    std::string name_;
    bool readOnly_ = false;
    ZynTransform* owner_ = nullptr;
};

template <class T>
class ZynSimpleAttribute : public ZynAttribute {
  public:
    ZynSimpleAttribute(std::string name, T value)
        : ZynAttribute(std::move(name)), value_(std::move(value)) {}

    const T& get() const { return value_; }
    void set(const T& value) {
        checkWritable();
        value_ = value;
        notifyChanged();
    }
    // Sets the value without running change handling (for values kept in step with another).
    void assignQuietly(const T& value) { value_ = value; }

    std::string typeName() const override { return ZynAttributeText<T>::name(); }
    std::string toText() const override { return ZynAttributeText<T>::toText(value_); }
    void fromText(const std::string& text) override { set(ZynAttributeText<T>::fromText(text)); }
    std::unique_ptr<ZynAttribute> clone() const override {
        auto copy = std::make_unique<ZynSimpleAttribute<T>>(name(), value_);
        copy->setReadOnly(readOnly());
        return copy;
    }

  private:
    T value_;
};

// An attribute of one transform that stands for an attribute of another (an aggregate's view of
// an inner transform's attribute): reading and writing go to the target.
class ZynAttributeAlias : public ZynAttribute {
  public:
    ZynAttributeAlias(std::string name, std::shared_ptr<ZynAttribute> target)
        : ZynAttribute(std::move(name)), target_(std::move(target)) {}

    std::string typeName() const override { return target_->typeName(); }
    std::string toText() const override { return target_->toText(); }
    void fromText(const std::string& text) override;
    std::unique_ptr<ZynAttribute> clone() const override;
    ZynAttribute& target() override { return target_->target(); }
    bool isAlias() const override { return true; }

  private:
    std::shared_ptr<ZynAttribute> target_;
};
