#include "ComPlatform.h"

std::string comRegistryStorePath() {
    return "the Windows registry";
}
