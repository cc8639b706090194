#include "ZynPpmImageSource.h"

#include <iostream>

#include "QorString.h"
#include "ZynRecognizeTraced.h"
#include "ZynSettings.h"

ZynTransformPtr ZynPpmImageSource::recognize(const std::wstring& fileName, FILE* file,
                                             bool keepOpen) {
    return recognizeTraced("ZynPpmImageSource::recognize", [&]() -> ZynTransformPtr {
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
        return nullptr;
    });
}

void ZynPpmImageSource::setupTransform() {
    ZynOutputInfo info;
    ZynColorSpacePtr colorSpace;
    if (!describeFromOp(mainOp(), info, colorSpace)) return;
    // The height in pixels is the unit length.
    auto coordSpace = std::make_shared<ZynXyCoordSpace>(
        ZynValue{static_cast<double>(info.width) / info.height, ZynUnit::Arbitrary},
        ZynValue{1.0, ZynUnit::Arbitrary});
    coordSpace->addResolution({info.width, info.height});
    publishOutput(colorSpace, coordSpace, info.dataOrg);
}
