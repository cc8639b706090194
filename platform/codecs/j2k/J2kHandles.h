#pragma once

#include <openjpeg.h>

#include <memory>

// Owners of OpenJPEG's objects.
struct J2kCodecDeleter {
    void operator()(opj_codec_t* codec) const { opj_destroy_codec(codec); }
};
struct J2kStreamDeleter {
    void operator()(opj_stream_t* stream) const { opj_stream_destroy(stream); }
};
struct J2kImageDeleter {
    void operator()(opj_image_t* image) const { opj_image_destroy(image); }
};
struct J2kInfoDeleter {
    void operator()(opj_codestream_info_v2_t* info) const { opj_destroy_cstr_info(&info); }
};

using J2kCodecPtr = std::unique_ptr<opj_codec_t, J2kCodecDeleter>;
using J2kStreamPtr = std::unique_ptr<opj_stream_t, J2kStreamDeleter>;
using J2kImagePtr = std::unique_ptr<opj_image_t, J2kImageDeleter>;
using J2kInfoPtr = std::unique_ptr<opj_codestream_info_v2_t, J2kInfoDeleter>;
