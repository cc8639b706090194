#include "ZynFpxCoordinator.h"

#include <cerrno>
#include <iostream>

#include "QorStream.h"
#include "QorString.h"
#include "ZynSettings.h"

ZynFpxCoordinator::ZynFpxCoordinator(const std::wstring& fileName, bool keepOpen)
    : ZynFile(fileName, keepOpen) {
    if (FpxStatus s = fpxInitToolkit(); s != FpxStatus::Ok)
        throw ZynError(130, "FPX NUVE lib init error " + std::to_string(fpxStatusNumber(s)));
}

// A destructor cannot report: a failing close of the toolkit is only traced.
ZynFpxCoordinator::~ZynFpxCoordinator() {
    image_.reset();
    if (FpxStatus s = fpxCloseToolkit(); s != FpxStatus::Ok && ZynSettings::get().trace)
        std::cout << "FPX NUVE close error " << fpxStatusNumber(s) << std::endl;
}

bool ZynFpxCoordinator::fail(ZynError error) {
    error_ = std::move(error);
    return false;
}

bool ZynFpxCoordinator::open() {
    if (image_) return true;
    const std::string name = qorNarrow(fileName());
    errno = 0;
    const FpxStatus s =
        fpxOpenImageByFilename(qorLocalPath(fileName()), width_, height_, info_, levels_, image_);
    if (!fpxSucceeded(s)) {
        osErrorNumber_ = s == FpxStatus::FileNotFound ? errno : 0;
        image_.reset();
        const std::string reason =
            s == FpxStatus::ViewOnlyFile
                ? "--Wrong file type), Probably a non-image view file created by pre ZynV2.4 "
                  "software"
                : "), Invalid or not found file ";
        return fail(ZynError(130, "FPX open failed for " + name + " (nuve lib error " +
                                      std::to_string(fpxStatusNumber(s)) + reason));
    }
    osErrorNumber_ = 0;
    if (fpxGetResolutionInfo(image_.get(), levels_) != FpxStatus::Ok) {
        image_.reset();
        return fail(ZynError(130, "FPX can't GetResolutionInfo for file " + name));
    }
    setOpen(true);
    return true;
}

void ZynFpxCoordinator::close() {
    if (!image_) return;
    setOpen(false);
    if (FpxStatus s = fpxCloseImage(image_); s != FpxStatus::Ok)
        fail(ZynError(130, "FPX close error " + std::to_string(fpxStatusNumber(s)) + " for file " +
                               qorNarrow(fileName())));
}

bool ZynFpxCoordinator::isFlashPixFile() const {
    return fpxIsValidFlashPixFile(qorLocalPath(fileName())) == FpxStatus::Ok;
}
