#include "ZynRVQInitializer.h"

#include "QorThreadCounter.h"
#include "ZynError.h"

namespace {

QorThreadCounter uses;

ZynError driverError(HctStatus status) {
    switch (status) {
        case kHctDriverInUse:
            return ZynError(15,
                            "HCT-SDK toolkit error: the DC Driver has already been opened  by the "
                            "application in a mode not consistent with Zyn's use  of the DC "
                            "Driver (DC_DRIVER_DISABLE_1394)");
        case kHctVersionTooOld:
        case kHctVersionTooNew:
            return ZynError(15,
                            "HCT-SDK toolkit error: the version of the HCT_SDK.dll isnot "
                            "compatible with the version with which this release ofZyn was "
                            "compiled");
        default:
            return ZynError(15, "HCT-SDK toolkit error: opening the DC Driver failed");
    }
}

}  // namespace

// The driver is the same process-wide one for every thread that opens it.
std::atomic<HctDriver*> ZynRVQInitializer::driver_{nullptr};

void ZynRVQInitializer::beginUse() {
    const long count = uses;
    if (count == 0) {
        HctDriver* driver = nullptr;
        const HctStatus status = hctOpenDriver(&driver, kHctDriverFilesOnly);
        if (status != kHctOk) throw driverError(status);
        driver_ = driver;
    }
    uses = count + 1;
}

void ZynRVQInitializer::endUse() {
    const long count = uses;
    if (count <= 0) throw ZynError(10, "mismatched call to terminate use of ICC library");
    if (count == 1) hctCloseDriver(driver_);
    uses = count - 1;
}

// Every Use began one, so ending it cannot find the count short.
ZynRVQInitializer::Use::~Use() {
    endUse();
}
