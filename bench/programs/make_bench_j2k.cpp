// Writes a large lossy RGB JP2 file for the benchmarks: make_bench_j2k WIDTH HEIGHT OUT
// Smooth gradients with fine texture, the irreversible wavelet and colour transform at about
// 20:1, six resolution levels, one tile: what cameras and scanners commonly write.

#include <openjpeg.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

int main(int argc, char** argv) {
    if (argc != 4) return 2;
    const long width = std::atol(argv[1]), height = std::atol(argv[2]);
    if (width <= 0 || height <= 0) return 1;
    opj_image_cmptparm_t parameters[3] = {};
    for (auto& p : parameters) {
        p.dx = p.dy = 1;
        p.w = static_cast<OPJ_UINT32>(width);
        p.h = static_cast<OPJ_UINT32>(height);
        p.prec = 8;
    }
    std::unique_ptr<opj_image_t, void (*)(opj_image_t*)> image(
        opj_image_create(3, parameters, OPJ_CLRSPC_SRGB), opj_image_destroy);
    if (!image) return 1;
    image->x1 = static_cast<OPJ_UINT32>(width);
    image->y1 = static_cast<OPJ_UINT32>(height);
    for (long y = 0; y < height; ++y)
        for (long x = 0; x < width; ++x) {
            const size_t i = static_cast<size_t>(y * width + x);
            const int texture = static_cast<int>((x * 7 + y * 13) % 17) - 8;
            image->comps[0].data[i] = static_cast<int>(x * 255 / width);
            image->comps[1].data[i] = static_cast<int>(y * 255 / height);
            image->comps[2].data[i] = 128 + texture * 4;
        }

    opj_cparameters_t p;
    opj_set_default_encoder_parameters(&p);
    p.numresolution = 6;
    p.irreversible = 1;
    p.tcp_mct = 1;
    p.tcp_numlayers = 1;
    p.tcp_rates[0] = 20;
    p.cp_disto_alloc = 1;
    std::unique_ptr<opj_codec_t, void (*)(opj_codec_t*)> codec(opj_create_compress(OPJ_CODEC_JP2),
                                                               opj_destroy_codec);
    if (opj_has_thread_support()) opj_codec_set_threads(codec.get(), opj_get_num_cpus());
    if (!opj_setup_encoder(codec.get(), &p, image.get())) return 1;
    std::unique_ptr<opj_stream_t, void (*)(opj_stream_t*)> stream(
        opj_stream_create_default_file_stream(argv[3], OPJ_FALSE), opj_stream_destroy);
    const bool ok = stream && opj_start_compress(codec.get(), image.get(), stream.get()) &&
                    opj_encode(codec.get(), stream.get()) &&
                    opj_end_compress(codec.get(), stream.get());
    return ok ? 0 : 1;
}
