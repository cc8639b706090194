#include <libraw/libraw.h>

#include "HctImage.h"
#include "HctSdk.h"

struct HctDriver {
    uint32_t flags = kHctDriverFilesOnly;
    int uses = 0;
};

namespace {

std::mutex driverMutex;
HctDriver driver;

}  // namespace

std::mutex& hctLibRawLock() {
    static std::mutex lock;
    return lock;
}

bool hctDriverOpen(const HctDriver* candidate) {
    std::lock_guard lock(driverMutex);
    return candidate == &driver && driver.uses > 0;
}

HctStatus hctVersionStatus(int built, int runtime) {
    // Structures change between series (major.minor); releases of one series share them.
    const int builtSeries = built >> 8, runtimeSeries = runtime >> 8;
    if (runtimeSeries < builtSeries) return kHctVersionTooOld;
    if (runtimeSeries > builtSeries) return kHctVersionTooNew;
    return kHctOk;
}

HctStatus hctOpenDriver(HctDriver** out, uint32_t flags) {
    if (!out) return kHctBadHandle;
    if (flags != kHctDriverFilesOnly && flags != kHctDriverDevices) return kHctDriverBadFlags;
    std::lock_guard lock(driverMutex);
    if (driver.uses > 0 && driver.flags != flags) return kHctDriverInUse;
    if (driver.uses == 0) {
        const HctStatus version = hctVersionStatus(LIBRAW_VERSION, LibRaw::versionNumber());
        if (version != kHctOk) return version;
        driver.flags = flags;
    }
    ++driver.uses;
    *out = &driver;
    return kHctOk;
}

HctStatus hctCloseDriver(HctDriver* candidate) {
    std::lock_guard lock(driverMutex);
    if (candidate != &driver || driver.uses == 0) return kHctBadHandle;
    --driver.uses;
    return kHctOk;
}

int hctDriverUses() {
    std::lock_guard lock(driverMutex);
    return driver.uses;
}
