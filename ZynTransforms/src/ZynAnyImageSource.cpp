#include "ZynAnyImageSource.h"

#include "QorString.h"
#include "ZynAliasCP.h"
#include "ZynRecognizer.h"

namespace {
const char* const kSourceFile = "ZynAnyImageSource";
}

ZynAnyImageSource::ZynAnyImageSource() {
    setPrimaryOutput(addOutput(std::make_shared<ZynAliasCP>("out")));
    addSimpleAttribute<bool>("keep_open", true);
}

ZynTransformPtr ZynAnyImageSource::clone() const {
    return std::make_shared<ZynAnyImageSource>(*this);
}

void ZynAnyImageSource::setupTransform() {
    setStatus(false);
    dropTransforms();
    // The dropped source must not stay reachable (and open) through the alias.
    static_cast<ZynAliasCP&>(output(0)).unalias();

    const std::wstring name = fileName();
    if (name.empty()) {
        setError(ZynError(153, "No file name given", kSourceFile));
        return;
    }
    const bool keepOpen = getAttribute<bool>("keep_open");
    ZynTransformPtr source = zynOpenByRecognition(name, keepOpen);
    if (!source) {
        setError(ZynError(153, "Failed to open the given file: " + qorNarrow(name), kSourceFile));
        return;
    }
    source->setLabel("ZynAnyImageSource.ImageSource");
    addTransform(source, true);
    aliasOutput(0, source, 0);
    if (source->status())
        setSetupDone();
    else
        setError(source->error());
}
