#pragma once

#include <memory>
#include <mutex>

// A resource shared by several ops, with the lock that serialises its use. The resource itself
// may come and go (a file closed between rendering passes and opened again).
template <class T>
class ZynResourceWrapper {
  public:
    std::mutex& mutex() { return mutex_; }
    T* get() const { return resource_.get(); }
    void reset(std::unique_ptr<T> resource = nullptr) { resource_ = std::move(resource); }

  private:
    std::mutex mutex_;
    std::unique_ptr<T> resource_;
};
