// The floor for camera raw work: LibRaw alone develops the file as the component does (8-bit
// sRGB, white balance as shot) and sums every band; with "thumb" it decodes the preview instead.
//   floor_camera FILE [thumb]

#include <libraw/libraw.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>

int main(int argc, char** argv) {
    if (argc != 2 && argc != 3) return 2;
    const bool thumb = argc == 3 && std::strcmp(argv[2], "thumb") == 0;
    auto raw = std::make_unique<LibRaw>();
    if (raw->open_file(argv[1]) != LIBRAW_SUCCESS) return 1;
    int status = LIBRAW_SUCCESS;
    libraw_processed_image_t* image = nullptr;
    if (thumb) {
        if (raw->unpack_thumb() != LIBRAW_SUCCESS) return 1;
        image = raw->dcraw_make_mem_thumb(&status);
    } else {
        raw->imgdata.params.use_camera_wb = 1;
        if (raw->unpack() != LIBRAW_SUCCESS || raw->dcraw_process() != LIBRAW_SUCCESS) return 1;
        image = raw->dcraw_make_mem_image(&status);
    }
    if (!image) return 1;
    uint64_t sums[3] = {};
    for (size_t i = 0; i < image->data_size; ++i) sums[i % 3] += image->data[i];
    std::printf("%llu %llu %llu\n", static_cast<unsigned long long>(sums[0]),
                static_cast<unsigned long long>(sums[1]), static_cast<unsigned long long>(sums[2]));
    LibRaw::dcraw_clear_mem(image);
    return 0;
}
