#include "VulTiffMetaAccessor.h"

#include <tiff.h>

#include "QorError.h"
#include "QorSystem.h"
#include "TiffFile.h"

namespace {

enum class TagKind { Float, Short, Text, Bytes };

struct KeyTag {
    const char* key;
    uint32_t tag;
    TagKind kind;
};

constexpr KeyTag kKeyTags[] = {
    {"ImageContainer.DisplayXResolution", TIFFTAG_XRESOLUTION, TagKind::Float},
    {"ImageContainer.DisplayYResolution", TIFFTAG_YRESOLUTION, TagKind::Float},
    {"ImageContainer.DisplayResolutionUnit", TIFFTAG_RESOLUTIONUNIT, TagKind::Short},
    {"ImageContainer.Orientation", TIFFTAG_ORIENTATION, TagKind::Short},
    {"DigitalProcess.ICCProfile", TIFFTAG_ICCPROFILE, TagKind::Bytes},
    {"DigitalProcess.XMPPacket", TIFFTAG_XMLPACKET, TagKind::Bytes},
    {"ImageContainer.ImageDescription", TIFFTAG_IMAGEDESCRIPTION, TagKind::Text},
    {"ImageContainer.DocumentName", TIFFTAG_DOCUMENTNAME, TagKind::Text},
    {"ImageContainer.PageName", TIFFTAG_PAGENAME, TagKind::Text},
    {"ImageContainer.Make", TIFFTAG_MAKE, TagKind::Text},
    {"ImageContainer.Model", TIFFTAG_MODEL, TagKind::Text},
    {"ImageContainer.Software", TIFFTAG_SOFTWARE, TagKind::Text},
    {"ImageContainer.DateTime", TIFFTAG_DATETIME, TagKind::Text},
    {"ImageContainer.Artist", TIFFTAG_ARTIST, TagKind::Text},
    {"ImageContainer.HostComputer", TIFFTAG_HOSTCOMPUTER, TagKind::Text},
    {"ImageContainer.Copyright", TIFFTAG_COPYRIGHT, TagKind::Text},
};

VulMetaValue readTag(const TiffFile& file, const KeyTag& entry) {
    switch (entry.kind) {
        case TagKind::Float:
            if (auto v = file.tag<float>(entry.tag)) return double{*v};
            break;
        case TagKind::Short:
            if (auto v = file.tag<uint16_t>(entry.tag)) return int64_t{*v};
            break;
        case TagKind::Text:
            if (auto v = file.stringTag(entry.tag)) return *v;
            break;
        case TagKind::Bytes:
            if (auto v = file.bytesTag(entry.tag)) return *v;
            break;
    }
    return std::monostate{};
}

}  // namespace

VulTiffMetaAccessor::VulTiffMetaAccessor(TiffFile& file) {
    try {
        if (!file.setDirectory(0)) throw QorError(130, "The TIFF file holds no directory");
    } catch (const TiffError& e) {
        throw QorError(130, e.what());
    }
    for (const KeyTag& entry : kKeyTags) {
        VulMetaValue value = readTag(file, entry);
        if (!std::holds_alternative<std::monostate>(value)) values_[entry.key] = std::move(value);
    }
}

std::unique_ptr<VulTiffMetaAccessor> VulTiffMetaAccessor::open(const std::string& path) {
    const int descriptor = qorOpenReadOnly(path);
    if (descriptor < 0)
        throw QorError(
            130, "Cannot open \"" + path + "\" for its metadata: " + QorError::lastOsErrorText());
    TiffFile file;
    try {
        if (!file.open(descriptor, path, "r"))
            throw QorError(130, "\"" + path + "\" holds no TIFF directory");
    } catch (const TiffError& e) {
        throw QorError(130, e.what());
    }
    return std::make_unique<VulTiffMetaAccessor>(file);
}

bool VulTiffMetaAccessor::read(const std::string& key, VulMetaValue& value) const {
    const auto found = values_.find(key);
    if (found == values_.end()) return false;
    value = found->second;
    return true;
}

std::vector<std::string> VulTiffMetaAccessor::keys() {
    std::vector<std::string> all;
    for (const KeyTag& entry : kKeyTags) all.emplace_back(entry.key);
    return all;
}
