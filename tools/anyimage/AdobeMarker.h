#pragma once

#include <string>

// Whether the file is a JPEG with an Adobe (APP14) marker before its first scan: such files
// store their CMYK samples complemented, and the decoder hands them on as stored.
bool jpegHasAdobeMarker(const std::string& path);
