#include "ZynOperation.h"

ZynImageOpPtr ZynOperation::opForResolution(int outputIndex, const ZynResolution& resolution) {
    const ZynImageOutputCP* out = imageOutput(outputIndex);
    if (!out || !out->coordSpace() || !out->coordSpace()->hasResolution(resolution))
        throw ZynError(3, "Unsupported resolution");
    return makeOp(outputIndex, resolution);
}

ZynImageOpPtr ZynOperation::makeOp(int, const ZynResolution&) {
    throw ZynError(3, describe() + " makes no ops");
}

void ZynOperation::defaultSetup() {
    ZynImageOutputCP* out = dynamic_cast<ZynImageOutputCP*>(&primaryOutput());
    if (!out)
        throw ZynError(3,
                       "default implementation of ZynOperation::setupTransform requires that the "
                       "primary output be an ZynImageOutputCP");
    const ZynImageInputCP* in = imageInput(0);
    if (!in || !in->isConnected()) {
        setError(ZynError(3, "The input of " + describe() + " is not connected"));
        return;
    }
    if (!in->upstreamTransform()->status()) {
        setError(in->upstreamTransform()->error());
        return;
    }
    const ZynImageOutputCP* source = in->upstreamOutput();
    if (!source || !source->hasDescription()) {
        setError(ZynError(125, "The input of " + describe() + " has no image description"));
        return;
    }
    if (source->error()) {
        setError(*source->error());
        return;
    }
    out->setDescription(source->colorSpace(), source->coordSpace(), source->dataOrg());
    setSetupDone();
}

ZynResolution ZynOperation::inputResolution(int inputIndex, const ZynResolution& resolution) const {
    const ZynImageInputCP* in = imageInput(inputIndex);
    const ZynImageOutputCP* source = in ? in->upstreamOutput() : nullptr;
    const ZynImageOutputCP* out = imageOutput(primaryOutputIndex());
    if (!source || !source->coordSpace() || !out || !out->coordSpace()) return resolution;
    const int index = out->coordSpace()->indexOf(resolution);
    const auto& inputs = source->coordSpace()->resolutions();
    if (index >= 0 && index < static_cast<int>(inputs.size()))
        return inputs[static_cast<size_t>(index)];
    return resolution;
}
