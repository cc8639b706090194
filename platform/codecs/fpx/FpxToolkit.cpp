#include "FpxToolkit.h"

#include <atomic>

#include "FpxImage.h"

namespace {

std::atomic<int> initialisations{0};

bool initialised() {
    return initialisations.load() > 0;
}

FpxStatus found(bool ok) {
    return ok ? FpxStatus::Ok : FpxStatus::PropertyNotFound;
}

}  // namespace

void FpxImageCloser::operator()(FpxImage* image) const {
    delete image;
}

FpxStatus fpxInitToolkit() {
    ++initialisations;
    return FpxStatus::Ok;
}

FpxStatus fpxCloseToolkit() {
    int count = initialisations.load();
    do {
        if (count <= 0) return FpxStatus::NotInitialised;
    } while (!initialisations.compare_exchange_weak(count, count - 1));
    return FpxStatus::Ok;
}

FpxStatus fpxIsValidFlashPixFile(const std::string& path) {
    if (!initialised()) return FpxStatus::NotInitialised;
    return FpxImage::check(path);
}

FpxStatus fpxOpenImageByFilename(const std::string& path, uint32_t& width, uint32_t& height,
                                 FpxImageInfo& info, FpxResolutionInfo& levels,
                                 FpxImageHandle& image) {
    if (!initialised()) return FpxStatus::NotInitialised;
    std::unique_ptr<FpxImage> opened;
    const FpxStatus status = FpxImage::open(path, opened);
    if (!fpxSucceeded(status)) return status;
    image.reset(opened.release());
    info = image->info();
    levels = image->levels();
    width = levels[0].width;
    height = levels[0].height;
    return status;
}

FpxStatus fpxGetResolutionInfo(const FpxImage* image, FpxResolutionInfo& levels) {
    if (!image) return FpxStatus::InvalidHandle;
    levels = image->levels();
    return FpxStatus::Ok;
}

FpxStatus fpxReadImageRectangle(FpxImage* image, uint32_t x0, uint32_t y0, uint32_t x1, uint32_t y1,
                                int level, const FpxImageDesc& desc) {
    if (!image) return FpxStatus::InvalidHandle;
    return image->readRectangle(level, x0, y0, x1, y1, desc);
}

FpxStatus fpxGetImageAffineMatrix(const FpxImage* image, NIFAffineMatrix& matrix) {
    if (!image) return FpxStatus::InvalidHandle;
    return found(image->affine(matrix));
}

FpxStatus fpxGetImageResultAspectRatio(const FpxImage* image, float& aspectRatio) {
    if (!image) return FpxStatus::InvalidHandle;
    return found(image->aspectRatio(aspectRatio));
}

FpxStatus fpxGetImageContrastAdjustment(const FpxImage* image, float& contrast) {
    if (!image) return FpxStatus::InvalidHandle;
    return found(image->contrast(contrast));
}

FpxStatus fpxGetImageColorTwistMatrix(const FpxImage* image, NIFColorTwistMatrix& matrix) {
    if (!image) return FpxStatus::InvalidHandle;
    return found(image->colorTwist(matrix));
}

FpxStatus fpxGetSummaryInformation(const FpxImage* image, NIFSummaryInformation& summary) {
    if (!image) return FpxStatus::InvalidHandle;
    return image->summary(summary);
}

FpxStatus fpxCloseImage(FpxImageHandle& image) {
    if (!image) return FpxStatus::InvalidHandle;
    image.reset();
    return FpxStatus::Ok;
}
