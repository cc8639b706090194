#include "RawDescription.h"

#include <fstream>

#include "ZynError.h"

void applyDescriptionFile(ZynTransform& transform, const std::string& path) {
    std::ifstream in(path);
    if (!in)
        throw ZynError(
            130, "Cannot read the description \"" + path + "\": " + QorError::lastOsErrorText());
    transform.loadDescription(in);
}
