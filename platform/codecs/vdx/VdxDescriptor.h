#pragma once

#include <unistd.h>

#include <utility>

// An operating-system file descriptor closed when its holder goes (-1: none).
class VdxDescriptor {
  public:
    VdxDescriptor() = default;
    explicit VdxDescriptor(int descriptor) : descriptor_(descriptor) {}
    VdxDescriptor(VdxDescriptor&& other) noexcept
        : descriptor_(std::exchange(other.descriptor_, -1)) {}
    VdxDescriptor& operator=(VdxDescriptor&& other) noexcept {
        if (this != &other) reset(std::exchange(other.descriptor_, -1));
        return *this;
    }
    ~VdxDescriptor() { reset(); }

    int get() const { return descriptor_; }
    void reset(int descriptor = -1) {
        if (descriptor_ >= 0) ::close(descriptor_);
        descriptor_ = descriptor;
    }

  private:
    int descriptor_ = -1;
};
