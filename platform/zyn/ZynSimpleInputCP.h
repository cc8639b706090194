#pragma once

#include <memory>
#include <string>

#include "ZynError.h"
#include "ZynInputCP.h"
#include "ZynSimpleOutputCP.h"
#include "ZynTransform.h"

// What an op holds of a value stream: the output it draws values from, whose owner it keeps
// alive for as long as the op lives.
template <class T>
class ZynRenderedItem {
  public:
    ZynRenderedItem(ZynTransformPtr owner, ZynSimpleOutputCP<T>* output)
        : owner_(std::move(owner)), output_(output) {}

    ZynTransform* owner() const { return owner_.get(); }
    ZynSimpleOutputCP<T>* output() const { return output_; }

  private:
    ZynTransformPtr owner_;
    ZynSimpleOutputCP<T>* output_;
};

template <class T>
using ZynRenderedItemPtr = std::shared_ptr<const ZynRenderedItem<T>>;

// An input fed by a value stream: connected to a ZynSimpleOutputCP<T> of another transform,
// which it keeps alive. The feeding transform is set up before the owner, like an image input's.
template <class T>
class ZynSimpleInputCP : public ZynInputCP {
  public:
    explicit ZynSimpleInputCP(std::string name) : ZynInputCP(std::move(name)) {}

    ZynImageInputCP* target() override { return nullptr; }
    ZynTransform* upstreamTransform() const override { return upstream_.get(); }
    std::shared_ptr<ZynInputCP> cloneDeclaration() const override {
        return std::make_shared<ZynSimpleInputCP<T>>(name());
    }

    void connect(const ZynTransformPtr& upstream, int outputIndex = 0) {
        upstream_ = upstream;
        outputIndex_ = outputIndex;
        if (owner()) owner()->markForSetup();
    }
    void disconnect() {
        upstream_.reset();
        outputIndex_ = 0;
        if (owner()) owner()->markForSetup();
    }
    bool isConnected() const { return upstream_ != nullptr; }

    // The output feeding this input when it yields values of T, else null.
    ZynSimpleOutputCP<T>* upstreamOutput() const {
        if (!upstream_ || outputIndex_ < 0 || outputIndex_ >= upstream_->numOutputs())
            return nullptr;
        return dynamic_cast<ZynSimpleOutputCP<T>*>(&upstream_->output(outputIndex_));
    }

    // An item bound to the feeding output, or null when no value stream feeds this input.
    ZynRenderedItemPtr<T> renderedItem() const {
        ZynSimpleOutputCP<T>* output = upstreamOutput();
        if (!output) return nullptr;
        return std::make_shared<const ZynRenderedItem<T>>(upstream_, output);
    }

    // The value of one request drawn through `item`. An item that no longer matches the
    // connection (the input was connected elsewhere after the op took it) or a feeding transform
    // in a bad state is ZynError 3.
    T value(const ZynRenderedItem<T>* item) const {
        if (!item) throw ZynError(3, "(setValue) No Rendered item in " + name());
        if (!item->output())
            throw ZynError(3,
                           "Internal Logic Error: Rendered item does not belong to any output "
                           "connection point");
        const ZynSimpleOutputCP<T>* connected = upstreamOutput();
        if (item->output() != connected)
            throw ZynError(3,
                           "Internal Logic Error: Rendered item does not belong to Output "
                           "Connection Point: " +
                               (connected ? connected->name() : std::string("(none)")));
        if (!item->owner() || !item->owner()->status()) throw ZynError(3, "Status is NOT OK");
        if (item->output()->error())
            throw ZynError(3, "Internal Logic Error: Output Connection Point has bad status: " +
                                  item->output()->name());
        return item->output()->produce();
    }

  private:
    ZynTransformPtr upstream_;
    int outputIndex_ = 0;
};
