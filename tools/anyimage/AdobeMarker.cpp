#include "AdobeMarker.h"

#include <cstring>
#include <fstream>

#include "QorSystem.h"

namespace {

constexpr int kApp14 = 0xEE;
constexpr int kStartOfScan = 0xDA;
constexpr int kStartOfImage = 0xD8;

}  // namespace

bool jpegHasAdobeMarker(const std::string& path) {
    std::ifstream in(qorFsPath(path), std::ios::binary);
    if (in.get() != 0xFF || in.get() != kStartOfImage) return false;
    while (in) {
        if (in.get() != 0xFF) return false;
        int marker = in.get();
        while (marker == 0xFF) marker = in.get();
        if (!in || marker == kStartOfScan) return false;
        const int high = in.get(), low = in.get();
        const int length = (high << 8 | low) - 2;
        if (!in || length < 0) return false;
        if (marker == kApp14 && length >= 5) {
            char tag[5];
            in.read(tag, 5);
            if (in && std::memcmp(tag, "Adobe", 5) == 0) return true;
            in.seekg(length - 5, std::ios::cur);
        } else {
            in.seekg(length, std::ios::cur);
        }
    }
    return false;
}
