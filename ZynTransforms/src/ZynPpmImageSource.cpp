#include "ZynPpmImageSource.h"

#include <iostream>

#include "QorString.h"
#include "ZynPpmImageSourceOp.h"
#include "ZynSettings.h"

ZynPpmImageSource::ZynPpmImageSource(const std::wstring& fileName, bool keepOpen)
    : ZynImageFileSource(fileName, keepOpen) {}

// A copy opens the file afresh at its own setup.
ZynPpmImageSource::ZynPpmImageSource(const ZynPpmImageSource& other)
    : ZynTransform(other), ZynImageFileSource(other) {}

ZynPpmImageSource::~ZynPpmImageSource() = default;

ZynTransformPtr ZynPpmImageSource::recognize(const std::wstring& fileName, FILE* file,
                                             bool keepOpen) {
    try {
        unsigned char magic[3] = {0, 0, 0};
        if (!file) return nullptr;
        std::rewind(file);
        const size_t got = std::fread(magic, 1, 3, file);
        if (got == 3 && magic[0] == 'P' && magic[1] == '6' && magic[2] == '\n')
            return std::make_shared<ZynPpmImageSource>(fileName, keepOpen);
        if (ZynSettings::get().trace)
            std::cout << qorNarrow(fileName) << " Not ppm: magic number is "
                      << static_cast<char>(magic[0]) << " " << static_cast<char>(magic[1])
                      << std::endl;
    } catch (const QorError& e) {
        if (ZynSettings::get().trace)
            std::cout << "exception in ZynPpmImageSource::recognize: " << e.printout() << std::endl;
    } catch (...) {
        if (ZynSettings::get().trace)
            std::cout << "exception in ZynPpmImageSource::recognize" << std::endl;
    }
    return nullptr;
}

ZynTransformPtr ZynPpmImageSource::clone() const {
    return std::make_shared<ZynPpmImageSource>(*this);
}

void ZynPpmImageSource::fileNameChanged() {
    op_.reset();
    markForSetup();
}

void ZynPpmImageSource::setupTransform() {
    if (!op_) op_ = std::make_shared<ZynPpmImageSourceOp>(fileName(), keepOpen());
    ZynOutputInfo info;
    ZynColorSpacePtr colorSpace;
    if (!describeFromOp(*op_, info, colorSpace)) return;
    // The height in pixels is the unit length.
    auto coordSpace = std::make_shared<ZynXyCoordSpace>(
        ZynValue{static_cast<double>(info.width) / info.height, ZynUnit::Arbitrary},
        ZynValue{1.0, ZynUnit::Arbitrary});
    coordSpace->addResolution({info.width, info.height});
    publishOutput(colorSpace, coordSpace, info.dataOrg);
}

ZynImageOpPtr ZynPpmImageSource::opForResolution(int outputIndex, const ZynResolution& resolution) {
    const ZynImageOutputCP* out = imageOutput(outputIndex);
    if (!op_ || !out || !out->coordSpace() || !out->coordSpace()->hasResolution(resolution) ||
        op_->resolutionIndex(resolution) < 0)
        throw ZynError(3, "Unsupported resolution");
    return op_;
}

void ZynPpmImageSource::postRender() {
    if (op_ && !keepOpen()) op_->close();
}
