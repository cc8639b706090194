#include "ZynGraph.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <set>

#include "ZynImageInputCP.h"
#include "ZynImageOutputCP.h"

namespace {

std::recursive_mutex setupMutex;
// Passes wait here while a transform they use finishes another pass.
struct PassGate {
    std::mutex mutex;
    std::condition_variable changed;
};

// Never destroyed, like the worker pool: Windows ends the workers before a DLL's destructors
// run, and a worker ended inside the threads library's lazy set-up of a condition variable holds
// the lock that destroying a condition variable never waited on takes, so exit would spin.
PassGate& passGate() {
    static PassGate* const gate = new PassGate;
    return *gate;
}
std::atomic<uint64_t> nextGeneration{1};

// Transforms of one pass, kept alive while it runs (shared where the caller shares them).
struct PassMember {
    ZynTransform* transform;
    std::shared_ptr<ZynTransform> keep;
};

std::vector<PassMember> members(ZynTransform& root) {
    std::vector<PassMember> result;
    for (ZynTransform* t : ZynGraph::closure(root))
        result.push_back({t, t->weak_from_this().lock()});
    return result;
}

}  // namespace

class ZynGraphAccess {
  public:
    static void ensure(ZynTransform& t);
    static void enter(const std::vector<PassMember>& pass);
    static void leave(const std::vector<PassMember>& pass, bool reportErrors);
};

void ZynGraphAccess::ensure(ZynTransform& t) {
    if (t.settingUp_) throw ZynError(3, "The graph has a cycle at " + t.describe());
    t.settingUp_ = true;
    struct Reset {
        ZynTransform& t;
        ~Reset() { t.settingUp_ = false; }
    } reset{t};

    std::vector<uint64_t> generations;
    for (int i = 0; i < t.numInputs(); ++i) {
        ZynTransform* upstream = t.input(i).upstreamTransform();
        if (!upstream) continue;
        ensure(*upstream);
        generations.push_back(upstream->setupGeneration_);
    }
    if (t.needsSetup_ || generations != t.upstreamGenerations_) {
        t.needsSetup_ = false;
        t.upstreamGenerations_ = generations;
        t.changed(-1);
        try {
            t.setupTransform();
        } catch (...) {
            t.needsSetup_ = true;
            throw;
        }
        t.setupGeneration_ = nextGeneration++;
    }
    for (ZynTransform* inner : t.innerTransforms()) ensure(*inner);
}

void ZynGraphAccess::enter(const std::vector<PassMember>& pass) {
    std::unique_lock lock(passGate().mutex);
    passGate().changed.wait(lock, [&] {
        return std::none_of(pass.begin(), pass.end(),
                            [](const PassMember& m) { return m.transform->postRendering_; });
    });
    for (const auto& m : pass) ++m.transform->activePasses_;
}

void ZynGraphAccess::leave(const std::vector<PassMember>& pass, bool reportErrors) {
    std::vector<ZynTransform*> finished;
    {
        std::lock_guard lock(passGate().mutex);
        for (const auto& m : pass) {
            if (--m.transform->activePasses_ == 0) {
                m.transform->postRendering_ = true;
                finished.push_back(m.transform);
            }
        }
    }
    std::exception_ptr first;
    for (ZynTransform* t : finished) {
        for (int i = 0; i < t->numOutputs(); ++i)
            if (ZynImageOutputCP* output = t->imageOutput(i)) output->endPass();
        try {
            t->postRender();
        } catch (...) {
            if (!first) first = std::current_exception();
        }
    }
    {
        std::lock_guard lock(passGate().mutex);
        for (ZynTransform* t : finished) t->postRendering_ = false;
    }
    passGate().changed.notify_all();
    // After a failed render the render's own error is the one the caller needs.
    if (first && reportErrors) std::rethrow_exception(first);
}

void ZynGraph::ensureSetup(ZynTransform& transform) {
    std::lock_guard lock(setupMutex);
    ZynGraphAccess::ensure(transform);
}

bool ZynGraph::statusOK(ZynTransform& transform) {
    ensureSetup(transform);
    return transform.status();
}

std::vector<ZynTransform*> ZynGraph::closure(ZynTransform& root) {
    std::vector<ZynTransform*> order;
    std::set<ZynTransform*> seen;
    std::vector<ZynTransform*> pending{&root};
    while (!pending.empty()) {
        ZynTransform* t = pending.back();
        pending.pop_back();
        if (!seen.insert(t).second) continue;
        order.push_back(t);
        for (ZynTransform* u : t->upstreamTransforms()) pending.push_back(u);
    }
    return order;
}

void ZynGraph::render(ZynTransform& transform, int outputIndex, const ZynResolution& resolution,
                      ZynRectBuffer& buffer) {
    std::vector<PassMember> pass = members(transform);
    ZynGraphAccess::enter(pass);
    try {
        ensureSetup(transform);
        std::vector<PassMember> after = members(transform);
        std::vector<PassMember> added;
        for (const auto& m : after) {
            const bool known = std::any_of(pass.begin(), pass.end(), [&](const PassMember& p) {
                return p.transform == m.transform;
            });
            if (!known) added.push_back(m);
        }
        ZynGraphAccess::enter(added);
        pass.insert(pass.end(), added.begin(), added.end());

        if (!transform.status()) throw transform.error();
        ZynImageOutputCP* output = transform.imageOutput(outputIndex);
        if (!output)
            throw ZynError(3, "Output " + std::to_string(outputIndex) + " of " +
                                  transform.describe() + " is not an image output");
        output->renderRect(resolution, buffer);
    } catch (...) {
        ZynGraphAccess::leave(pass, false);
        throw;
    }
    ZynGraphAccess::leave(pass, true);
}
