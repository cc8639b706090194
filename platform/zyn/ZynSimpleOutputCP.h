#pragma once

#include <memory>
#include <optional>
#include <string>

#include "ZynError.h"
#include "ZynOutputCP.h"

// What a transform implements to feed a value stream: the value its output `outputIndex` gives
// for one request.
template <class T>
class ZynValueProducer {
  public:
    virtual ~ZynValueProducer() = default;
    virtual T produceValue(int outputIndex) = 0;
};

// An output that yields one value of T per request instead of pixels. Its owner produces the
// values by implementing ZynValueProducer<T>.
template <class T>
class ZynSimpleOutputCP : public ZynOutputCP {
  public:
    explicit ZynSimpleOutputCP(std::string name) : ZynOutputCP(std::move(name)) {}

    ZynImageOutputCP* target() override { return nullptr; }
    std::shared_ptr<ZynOutputCP> cloneDeclaration() const override {
        return std::make_shared<ZynSimpleOutputCP<T>>(name());
    }

    // An error carried by this output alone; values are not drawn while it is set.
    void setError(const ZynError& error) { error_ = error; }
    void clearError() { error_.reset(); }
    const std::optional<ZynError>& error() const { return error_; }

    // The owner's value for one request.
    T produce() const {
        auto* producer = dynamic_cast<ZynValueProducer<T>*>(owner());
        if (!producer) throw ZynError(3, "Output \"" + name() + "\" has no producer of values");
        return producer->produceValue(index());
    }

  private:
    std::optional<ZynError> error_;
};
