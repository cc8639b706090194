#pragma once

#include <atomic>

#include "HctSdk.h"

// Keeps the camera driver open while a thread works with camera files: the driver is opened on
// the thread's first use and closed when its last use ends.
class ZynRVQInitializer {
  public:
    // Throws ZynError 15 when the driver cannot be opened.
    static void beginUse();
    // Throws ZynError 10 when the thread ends more uses than it began.
    static void endUse();

    // The driver while this thread uses it.
    static HctDriver* driver() { return driver_; }

    // One use for the lifetime of the object.
    class Use {
      public:
        Use() { beginUse(); }
        ~Use();
        Use(const Use&) = delete;
        Use& operator=(const Use&) = delete;
    };

  private:
    static std::atomic<HctDriver*> driver_;
};
