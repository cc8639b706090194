// The floor for JPEG 2000 work: OpenJPEG alone decodes a level (or a region of it) with as many
// threads as the component uses and sums every band, as `anyimage stats` does.
//   floor_j2k FILE LEVEL [X Y WIDTH HEIGHT]     (the region in the level's pixels)

#include <openjpeg.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <thread>

int main(int argc, char** argv) {
    if (argc != 3 && argc != 7) return 2;
    const auto level = static_cast<OPJ_UINT32>(std::atoi(argv[2]));
    std::unique_ptr<opj_codec_t, void (*)(opj_codec_t*)> codec(opj_create_decompress(OPJ_CODEC_JP2),
                                                               opj_destroy_codec);
    opj_dparameters_t p;
    opj_set_default_decoder_parameters(&p);
    if (!opj_setup_decoder(codec.get(), &p)) return 1;
    const int threads = static_cast<int>(std::thread::hardware_concurrency());
    if (threads > 1) opj_codec_set_threads(codec.get(), threads);
    std::unique_ptr<opj_stream_t, void (*)(opj_stream_t*)> stream(
        opj_stream_create_default_file_stream(argv[1], OPJ_TRUE), opj_stream_destroy);
    opj_image_t* read = nullptr;
    if (!stream || !opj_read_header(stream.get(), codec.get(), &read)) return 1;
    std::unique_ptr<opj_image_t, void (*)(opj_image_t*)> image(read, opj_image_destroy);
    if (!opj_set_decoded_resolution_factor(codec.get(), level)) return 1;
    if (argc == 7) {
        const int scale = 1 << level;
        const int x = std::atoi(argv[3]), y = std::atoi(argv[4]);
        const int w = std::atoi(argv[5]), h = std::atoi(argv[6]);
        if (!opj_set_decode_area(codec.get(), image.get(), x * scale, y * scale,
                                 std::min<int>((x + w) * scale, static_cast<int>(image->x1)),
                                 std::min<int>((y + h) * scale, static_cast<int>(image->y1))))
            return 1;
    }
    if (!opj_decode(codec.get(), stream.get(), image.get()) ||
        !opj_end_decompress(codec.get(), stream.get()))
        return 1;
    for (OPJ_UINT32 c = 0; c < image->numcomps; ++c) {
        const opj_image_comp_t& comp = image->comps[c];
        const size_t n = static_cast<size_t>(comp.w) * comp.h;
        long long sum = 0;
        int lo = comp.data[0], hi = comp.data[0];
        for (size_t i = 0; i < n; ++i) {
            sum += comp.data[i];
            lo = std::min(lo, comp.data[i]);
            hi = std::max(hi, comp.data[i]);
        }
        std::printf("band %u: min %d max %d mean %f\n", c, lo, hi,
                    static_cast<double>(sum) / static_cast<double>(n));
    }
    return 0;
}
