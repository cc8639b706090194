#include "ReaderPool.h"

ReaderPool::Lease::Lease(std::shared_ptr<ReaderPool> pool, ZynTransformPtr graph,
                         unsigned generation)
    : pool_(std::move(pool)), graph_(std::move(graph)), generation_(generation) {}

ReaderPool::Lease::~Lease() {
    pool_->giveBack(std::move(graph_), generation_);
}

ReaderPool::ReaderPool(ZynTransformPtr first, Opener open) : open_(std::move(open)) {
    idle_.push_back(std::move(first));
}

ReaderPool::Lease ReaderPool::borrow() {
    std::unique_lock lock(mutex_);
    const unsigned generation = generation_;
    if (!idle_.empty()) {
        ZynTransformPtr graph = std::move(idle_.back());
        idle_.pop_back();
        return Lease(shared_from_this(), std::move(graph), generation);
    }
    const Opener open = open_;
    lock.unlock();
    return Lease(shared_from_this(), open(), generation);
}

void ReaderPool::replace(ZynTransformPtr first, Opener open) {
    std::lock_guard lock(mutex_);
    ++generation_;
    idle_.assign(1, std::move(first));
    open_ = std::move(open);
}

void ReaderPool::giveBack(ZynTransformPtr graph, unsigned generation) {
    std::lock_guard lock(mutex_);
    if (generation == generation_) idle_.push_back(std::move(graph));
}
