#include "ZynPointOperation.h"

bool ZynPointOperation::preliminarySetup() {
    setStatus(true);
    bool anyConnected = false;
    for (int i = 0; i < numInputs(); ++i) {
        const ZynImageInputCP* in = imageInput(i);
        if (!in || !in->isConnected()) continue;
        anyConnected = true;
        if (!in->upstreamTransform()->status()) {
            setError(in->upstreamTransform()->error());
            return false;
        }
        if (const ZynImageOutputCP* source = in->upstreamOutput(); source && source->error()) {
            setError(*source->error());
            return false;
        }
    }
    if (!anyConnected) setError(ZynError(3, "No input of " + describe() + " is connected"));
    return status();
}
