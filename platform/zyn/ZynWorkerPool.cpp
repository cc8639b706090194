#include "ZynWorkerPool.h"

#include <algorithm>
#include <exception>

namespace {

thread_local int batchDepth = 0;

}  // namespace

struct ZynWorkerPool::Batch {
    const Task& task;
    size_t count;
    size_t maxHelpers;
    size_t helpers = 0;
    size_t next = 0;
    size_t done = 0;
    std::exception_ptr failure;
    size_t failedIndex = 0;

    bool exhausted() const { return next == count || failure; }
    bool finished() const { return exhausted() && done == next; }
};

// Never destroyed: at exit a worker may have been ended inside a wait (Windows ends every other
// thread before a DLL's destructors run), and its wait state can be neither joined nor torn down.
ZynWorkerPool& ZynWorkerPool::shared() {
    static ZynWorkerPool* const pool = new ZynWorkerPool;
    return *pool;
}

ZynWorkerPool::~ZynWorkerPool() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    for (std::thread& worker : workers_) worker.join();
}

size_t ZynWorkerPool::workerCount() const {
    std::lock_guard lock(mutex_);
    return workers_.size();
}

bool ZynWorkerPool::insideBatch() {
    return batchDepth > 0;
}

void ZynWorkerPool::forEach(size_t count, size_t threads, const Task& task) {
    if (count == 0) return;
    const size_t helpers = std::min(std::max<size_t>(threads, 1), count) - 1;
    auto batch = std::make_shared<Batch>(Batch{task, count, helpers});
    std::unique_lock lock(mutex_);
    if (helpers > 0) {
        startWorkers(helpers);
        open_.push_back(batch);
        wake_.notify_all();
    }
    runItems(*batch, 0, lock);
    finished_.wait(lock, [&] { return batch->finished(); });
    if (batch->failure) std::rethrow_exception(batch->failure);
}

void ZynWorkerPool::startWorkers(size_t count) {
    while (workers_.size() < count) workers_.emplace_back([this] { work(); });
}

void ZynWorkerPool::work() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [&] { return stopping_ || !open_.empty(); });
        if (stopping_) return;
        // Holding the batch keeps it alive after its caller stopped waiting for this thread.
        std::shared_ptr<Batch> batch = open_.front();
        const size_t slot = ++batch->helpers;
        if (batch->helpers >= batch->maxHelpers) open_.pop_front();
        runItems(*batch, slot, lock);
    }
}

void ZynWorkerPool::runItems(Batch& batch, size_t slot, std::unique_lock<std::mutex>& lock) {
    while (!batch.exhausted()) {
        const size_t index = batch.next++;
        if (batch.exhausted()) close(batch);
        lock.unlock();
        std::exception_ptr failure;
        ++batchDepth;
        try {
            batch.task(index, slot);
        } catch (...) {
            failure = std::current_exception();
        }
        --batchDepth;
        lock.lock();
        if (failure && (!batch.failure || index < batch.failedIndex)) {
            batch.failure = failure;
            batch.failedIndex = index;
            close(batch);
        }
        ++batch.done;
        if (batch.finished()) finished_.notify_all();
    }
}

void ZynWorkerPool::close(Batch& batch) {
    std::erase_if(open_, [&](const std::shared_ptr<Batch>& b) { return b.get() == &batch; });
}
