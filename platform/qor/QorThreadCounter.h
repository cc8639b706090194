#pragma once

// A counter holding one value per thread; a thread that never assigned reads 0. A thread that
// ends holding a value other than 0 leaves its few bytes behind.
class QorThreadCounter {
  public:
    QorThreadCounter() = default;
    QorThreadCounter(const QorThreadCounter&) = delete;
    QorThreadCounter& operator=(const QorThreadCounter&) = delete;
    ~QorThreadCounter();

    QorThreadCounter& operator=(long value);
    operator long() const;
};
