#include "TiffChunkDecoder.h"

#include <tiff.h>
#ifdef ZYN_HAVE_LIBDEFLATE
#include <libdeflate.h>
#else
#include <zlib.h>
#endif

#include <algorithm>
#include <climits>
#include <memory>

namespace {

#ifdef ZYN_HAVE_LIBDEFLATE

// Whether `in` is one zlib stream that ends exactly after `size` bytes of output, its check value
// correct.
bool inflateExactly(std::span<const uint8_t> in, std::byte* out, size_t size) {
    const std::unique_ptr<libdeflate_decompressor, void (*)(libdeflate_decompressor*)> inflater(
        libdeflate_alloc_decompressor(), &libdeflate_free_decompressor);
    return inflater && libdeflate_zlib_decompress(inflater.get(), in.data(), in.size(), out, size,
                                                  nullptr) == LIBDEFLATE_SUCCESS;
}

#else

bool inflateExactly(std::span<const uint8_t> in, std::byte* out, size_t size) {
    if (in.size() > UINT_MAX || size > UINT_MAX) return false;
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK) return false;
    const std::unique_ptr<z_stream, int (*)(z_stream*)> end(&stream, &inflateEnd);
    stream.next_in = const_cast<Bytef*>(in.data());
    stream.avail_in = static_cast<uInt>(in.size());
    stream.next_out = reinterpret_cast<Bytef*>(out);
    stream.avail_out = static_cast<uInt>(size);
    int state = inflate(&stream, Z_FINISH);
    if (state == Z_STREAM_END) return stream.avail_out == 0;
    if (state != Z_BUF_ERROR || stream.avail_out != 0) return false;
    // The output is full; what is left of the stream must be its end and check value.
    Bytef spare = 0;
    stream.next_out = &spare;
    stream.avail_out = 1;
    state = inflate(&stream, Z_FINISH);
    return state == Z_STREAM_END && stream.avail_out == 1;
}

#endif

template <class T>
void accumulateRow(std::byte* row, size_t samples, size_t stride) {
    T* s = reinterpret_cast<T*>(row);
    for (size_t i = stride; i < samples; ++i) s[i] = static_cast<T>(s[i] + s[i - stride]);
}

}  // namespace

bool TiffChunkDecoder::supports(const TiffChunkFormat& f) {
    const bool deflate =
        f.compression == COMPRESSION_ADOBE_DEFLATE || f.compression == COMPRESSION_DEFLATE;
    const uint16_t bits = f.bitsPerSample;
    const bool wholeBytes = bits == 8 || bits == 16 || bits == 32 || bits == 64;
    const bool predictor =
        f.predictor == PREDICTOR_NONE || (f.predictor == PREDICTOR_HORIZONTAL && bits <= 32);
    return deflate && wholeBytes && predictor && f.fillOrder == FILLORDER_MSB2LSB &&
           f.samplesPerPixel > 0 && f.rowBytes > 0;
}

bool TiffChunkDecoder::decode(std::span<const uint8_t> stored, std::byte* destination,
                              size_t size) const {
    if (!inflateExactly(stored, destination, size)) return false;
    if (format_.byteSwapped) swapBytes(destination, size);
    return format_.predictor == PREDICTOR_NONE || undoDifferencing(destination, size);
}

void TiffChunkDecoder::swapBytes(std::byte* data, size_t size) const {
    const size_t width = format_.bitsPerSample / 8u;
    if (width < 2) return;
    for (std::byte* sample = data; sample + width <= data + size; sample += width)
        std::reverse(sample, sample + width);
}

// Each sample was stored as its difference from the same band's sample one pixel to the left.
bool TiffChunkDecoder::undoDifferencing(std::byte* data, size_t size) const {
    const uint64_t rowBytes = format_.rowBytes;
    if (size % rowBytes != 0) return false;
    const size_t samples = rowBytes / (format_.bitsPerSample / 8u);
    const size_t stride = format_.samplesPerPixel;
    for (std::byte* row = data; row < data + size; row += rowBytes) {
        switch (format_.bitsPerSample) {
            case 8:
                accumulateRow<uint8_t>(row, samples, stride);
                break;
            case 16:
                accumulateRow<uint16_t>(row, samples, stride);
                break;
            default:
                accumulateRow<uint32_t>(row, samples, stride);
                break;
        }
    }
    return true;
}
