#pragma once

#include <memory>
#include <string>
#include <type_traits>
#include <utility>

#include "ZynError.h"
#include "ZynImageFileSource.h"
#include "ZynImageOutputCP.h"
#include "ZynImageSourceOp.h"
#include "ZynXyCoordSpace.h"

// A file source reading through one main handle `Op` (an op or a shared file), made from the
// file name and "keep_open" at the first setup, dropped when the name changes and closed after
// each rendering pass unless "keep_open". A copy opens the file afresh at its own setup.
// A source with outputs and attributes of its own adds them in a static `declare(ZynTransform&)`.
template <class Derived, class Op>
class ZynMainOpSource : public ZynImageFileSource {
  public:
    ZynMainOpSource() { declareOwn(); }
    ZynMainOpSource(const std::wstring& fileName, bool keepOpen)
        : ZynImageFileSource(fileName, keepOpen) {
        declareOwn();
    }
    ZynMainOpSource(const ZynMainOpSource& other)
        : ZynTransform(other), ZynImageFileSource(other) {}

    ZynTransformPtr clone() const override {
        return std::make_shared<Derived>(static_cast<const Derived&>(*this));
    }

    void fileNameChanged() override {
        op_.reset();
        markForSetup();
    }

    void postRender() override {
        if (op_ && !keepOpen()) op_->close();
    }

    // The main op for its first size; an op that makes ops for its other sizes (`forResolution`)
    // serves those through them. Sources whose handle is a shared file rather than an op choose
    // among their own ops.
    ZynImageOpPtr opForResolution(int outputIndex, const ZynResolution& resolution) override {
        if constexpr (std::is_base_of_v<ZynImageSourceOp, Op>) {
            if (offers(outputIndex, resolution, op_.get())) {
                if constexpr (requires(const Op& op) { op.forResolution(1); }) {
                    if (const int index = op_->resolutionIndex(resolution); index > 0)
                        return op_->forResolution(index);
                }
                return op_;
            }
        }
        throw ZynError(3, "Unsupported resolution");
    }

  protected:
    // The main op, made when there is none; `settings` follow the name and "keep_open".
    template <class... Settings>
    Op& mainOp(Settings&&... settings) {
        if (!op_)
            op_ = std::make_shared<Op>(fileName(), keepOpen(), std::forward<Settings>(settings)...);
        return *op_;
    }

    // The main op as mainOp makes it, made again when "keep_open" changed since: the op itself
    // decides whether it holds its file between reads.
    template <class... Settings>
    Op& mainOpKeptOpenAsAsked(Settings&&... settings) {
        if (op_ && op_->keepOpen() != keepOpen()) op_.reset();
        return mainOp(std::forward<Settings>(settings)...);
    }

    // Whether output `outputIndex` offers the size and `op` reads it.
    template <class SourceOp>
    bool offers(int outputIndex, const ZynResolution& resolution, const SourceOp* op) const {
        const ZynImageOutputCP* out = imageOutput(outputIndex);
        return op && out && out->coordSpace() && out->coordSpace()->hasResolution(resolution) &&
               op->resolutionIndex(resolution) >= 0;
    }

    std::shared_ptr<Op> op_;

  private:
    // Adds what the source declares of its own; a copy has it already.
    void declareOwn() {
        if constexpr (requires(ZynTransform & source) { Derived::declare(source); })
            Derived::declare(*this);
    }
};
