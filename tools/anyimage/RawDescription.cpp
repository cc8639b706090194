#include "RawDescription.h"

#include <fstream>

#include "QorSystem.h"
#include "ZynError.h"

void applyDescriptionFile(ZynTransform& transform, const std::string& path) {
    std::ifstream in(qorFsPath(path));
    if (!in)
        throw ZynError(
            130, "Cannot read the description \"" + path + "\": " + QorError::lastOsErrorText());
    transform.loadDescription(in);
}
