#include "QorThreadCounter.h"

#include <unordered_map>

namespace {

using Values = std::unordered_map<const QorThreadCounter*, long>;

// A pointer, not a map: the Windows runtime frees a thread's thread_local storage before it runs
// the destructors of what it holds, so a thread_local map would be destroyed after its memory
// was freed. The map lives only while the thread holds a value other than 0.
thread_local Values* threadValues = nullptr;

}  // namespace

QorThreadCounter::~QorThreadCounter() {
    *this = 0;
}

QorThreadCounter& QorThreadCounter::operator=(long value) {
    if (value != 0) {
        if (!threadValues) threadValues = new Values;
        (*threadValues)[this] = value;
    } else if (threadValues) {
        threadValues->erase(this);
        if (threadValues->empty()) {
            delete threadValues;
            threadValues = nullptr;
        }
    }
    return *this;
}

QorThreadCounter::operator long() const {
    if (!threadValues) return 0;
    const auto found = threadValues->find(this);
    return found == threadValues->end() ? 0 : found->second;
}
