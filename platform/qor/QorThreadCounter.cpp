#include "QorThreadCounter.h"

#include <unordered_map>

namespace {
thread_local std::unordered_map<const QorThreadCounter*, long> threadValues;
}

QorThreadCounter::~QorThreadCounter() {
    threadValues.erase(this);
}

QorThreadCounter& QorThreadCounter::operator=(long value) {
    threadValues[this] = value;
    return *this;
}

QorThreadCounter::operator long() const {
    const auto found = threadValues.find(this);
    return found == threadValues.end() ? 0 : found->second;
}
