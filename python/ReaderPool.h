#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "ZynTransform.h"

// The graphs reads of one image render from. Sequential decoders lose their place when two
// reads take turns on one graph, so a read that finds every graph busy opens the file again
// and its graph joins the pool when the read ends.
class ReaderPool : public std::enable_shared_from_this<ReaderPool> {
  public:
    using Opener = std::function<ZynTransformPtr()>;

    // A graph borrowed for one read, given back when the lease goes.
    class Lease {
      public:
        Lease(std::shared_ptr<ReaderPool> pool, ZynTransformPtr graph, unsigned generation);
        ~Lease();
        Lease(const Lease&) = delete;
        Lease& operator=(const Lease&) = delete;

        const ZynTransformPtr& graph() const { return graph_; }

      private:
        std::shared_ptr<ReaderPool> pool_;
        ZynTransformPtr graph_;
        unsigned generation_;
    };

    ReaderPool(ZynTransformPtr first, Opener open);

    // Throws what opening the file again throws.
    Lease borrow();
    // The image changed (a pipeline was appended): graphs still lent out are dropped when given
    // back.
    void replace(ZynTransformPtr first, Opener open);

  private:
    void giveBack(ZynTransformPtr graph, unsigned generation);

    std::mutex mutex_;
    std::vector<ZynTransformPtr> idle_;
    Opener open_;
    unsigned generation_ = 0;
};
