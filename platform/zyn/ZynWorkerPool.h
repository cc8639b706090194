#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

// The process's rendering threads, started when a request first needs them. A caller hands a
// batch of independent items and works on it itself, so a worker whose item asks for a batch
// of its own (an operation pulling its input) never waits on a thread that waits on it.
class ZynWorkerPool {
  public:
    // `slot` tells apart the threads working on one batch at once: 0 for the caller, then 1 up
    // to threads - 1, so that each may keep its own scratch memory.
    using Task = std::function<void(size_t index, size_t slot)>;

    static ZynWorkerPool& shared();

    ZynWorkerPool() = default;
    ZynWorkerPool(const ZynWorkerPool&) = delete;
    ZynWorkerPool& operator=(const ZynWorkerPool&) = delete;
    ~ZynWorkerPool();

    // Runs task(i, slot) for every i below count on at most `threads` threads at once, the
    // caller's among them, and returns when all have run. After an item fails, items not yet
    // started are skipped and the failure of the lowest index is rethrown, as a loop would.
    void forEach(size_t count, size_t threads, const Task& task);

    size_t workerCount() const;
    // Whether this thread is running an item of a batch, the caller's own included.
    static bool insideBatch();

  private:
    struct Batch;

    void startWorkers(size_t count);
    void work();
    // Runs items of the batch until none is left to start; the lock is held between items.
    void runItems(Batch& batch, size_t slot, std::unique_lock<std::mutex>& lock);
    // Takes a batch that has no item left to start off the open list.
    void close(Batch& batch);

    mutable std::mutex mutex_;
    std::condition_variable wake_;      // a batch opened, or the pool stops
    std::condition_variable finished_;  // an item finished
    std::deque<std::shared_ptr<Batch>> open_;
    std::vector<std::thread> workers_;
    bool stopping_ = false;
};
