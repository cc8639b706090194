#include "VulExifAccessor.h"

#include "NifExifFile.h"
#include "VulJpegMetaKeys.h"

bool VulExifAccessor::read(const std::string& key, VulMetaValue& value) const {
    if (const int component = vulQuantTableComponent(key); component >= 0) {
        uint16_t table[64];
        if (file_.quantTable(component, table) != kNifOk) return false;
        value = std::vector<uint16_t>(table, table + 64);
        return true;
    }
    if (key == kVulICCProfile) {
        std::vector<uint8_t> profile;
        if (file_.iccProfile(profile) != kNifOk) return false;
        value = std::move(profile);
        return true;
    }
    return false;
}
