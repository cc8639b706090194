#include "J2kDecoder.h"

#include <algorithm>
#include <limits>
#include <numeric>
#include <thread>

#include "J2kHandles.h"

namespace {

// Long runs of warnings from a damaged file add nothing after the first few.
constexpr size_t kMaxMessageText = 2000;
// Headers are small; reading them needs no more than this at a time.
constexpr OPJ_SIZE_T kHeaderChunk = 64 * 1024;
// Wider alignments only arise from unusual sampling; clamping covers those.
constexpr uint64_t kMaxSamplingAlignment = 256;

// The file as the library reads it: a positional view of its own, so decoders on several
// threads share one open file.
struct StreamSource {
    QorStreamView view;
    uint64_t size;
};

OPJ_SIZE_T readStream(void* buffer, OPJ_SIZE_T bytes, void* user) {
    auto* source = static_cast<StreamSource*>(user);
    const int64_t got = source->view.read(buffer, static_cast<int64_t>(bytes));
    return got > 0 ? static_cast<OPJ_SIZE_T>(got) : static_cast<OPJ_SIZE_T>(-1);
}

OPJ_OFF_T skipStream(OPJ_OFF_T bytes, void* user) {
    auto* source = static_cast<StreamSource*>(user);
    const auto at = static_cast<int64_t>(source->view.tell());
    if (at + bytes < 0 || static_cast<uint64_t>(at + bytes) > source->size ||
        source->view.seek(bytes, QorSeekOrigin::Current) != 0)
        return -1;
    return bytes;
}

OPJ_BOOL seekStream(OPJ_OFF_T position, void* user) {
    auto* source = static_cast<StreamSource*>(user);
    return position >= 0 && static_cast<uint64_t>(position) <= source->size &&
           source->view.seek(position) == 0;
}

void keepMessage(const char* message, void* user) {
    auto* text = static_cast<std::string*>(user);
    std::string line(message ? message : "");
    while (!line.empty() && (line.back() == '\n' || line.back() == ' ')) line.pop_back();
    if (line.empty() || text->size() >= kMaxMessageText) return;
    if (!text->empty()) *text += " ";
    *text += line;
}

void dropMessage(const char*, void*) {}

// One decoding pass: the library's codec, stream and image, released in the right order.
struct Session {
    explicit Session(const QorStream& file) : source{file.view(), file.size()} {}

    StreamSource source;
    J2kCodecPtr codec;
    J2kStreamPtr stream;
    J2kImagePtr image;

    // Creates the codec for `layers` quality layers and reads the headers. Only sessions that
    // go on to decode get the library's threads and large reads.
    bool start(uint32_t layers, std::string& messages, bool decoding, int threads) {
        codec.reset(opj_create_decompress(OPJ_CODEC_JP2));
        if (!codec) return false;
        opj_set_error_handler(codec.get(), keepMessage, &messages);
        opj_set_warning_handler(codec.get(), keepMessage, &messages);
        opj_set_info_handler(codec.get(), dropMessage, nullptr);
        opj_dparameters_t parameters;
        opj_set_default_decoder_parameters(&parameters);
        parameters.cp_layer = layers;
        if (!opj_setup_decoder(codec.get(), &parameters)) return false;
        if (decoding && threads > 1) opj_codec_set_threads(codec.get(), threads);

        stream.reset(
            opj_stream_create(decoding ? OPJ_J2K_STREAM_CHUNK_SIZE : kHeaderChunk, OPJ_TRUE));
        if (!stream) return false;
        opj_stream_set_read_function(stream.get(), readStream);
        opj_stream_set_skip_function(stream.get(), skipStream);
        opj_stream_set_seek_function(stream.get(), seekStream);
        opj_stream_set_user_data(stream.get(), &source, nullptr);
        opj_stream_set_user_data_length(stream.get(), source.size);

        opj_image_t* read = nullptr;
        const bool ok = opj_read_header(stream.get(), codec.get(), &read);
        image.reset(read);
        return ok && image;
    }
};

bool fillComponents(const opj_image_t& image, J2kHeader& header) {
    if (image.numcomps == 0 || !image.comps) return false;
    header.components.clear();
    for (uint32_t c = 0; c < image.numcomps; ++c) {
        const opj_image_comp_t& comp = image.comps[c];
        if (comp.dx == 0 || comp.dy == 0) return false;
        header.components.push_back({comp.prec, comp.sgnd != 0, comp.dx, comp.dy});
    }
    return true;
}

bool fillCodingInfo(opj_codec_t* codec, J2kHeader& header) {
    J2kInfoPtr info(opj_get_cstr_info(codec));
    if (!info || !info->m_default_tile_info.tccp_info || info->nbcomps < header.components.size())
        return false;
    header.tileX0 = info->tx0;
    header.tileY0 = info->ty0;
    header.tileWidth = info->tdx;
    header.tileHeight = info->tdy;
    header.tilesAcross = info->tw;
    header.tilesDown = info->th;
    header.layers = info->m_default_tile_info.numlayers;
    header.componentTransform = info->m_default_tile_info.mct != 0;
    header.levels = std::numeric_limits<uint32_t>::max();
    for (size_t c = 0; c < header.components.size(); ++c) {
        const opj_tccp_info_t& coding = info->m_default_tile_info.tccp_info[c];
        header.levels = std::min(header.levels, coding.numresolutions);
        header.codeBlockSamples =
            std::min(header.codeBlockSamples, uint64_t{1} << (coding.cblkw + coding.cblkh));
    }
    return header.levels > 0 && header.tileWidth > 0 && header.tileHeight > 0;
}

// Reference-grid coordinates of a region, widened so that subsampled components cover it.
struct Area {
    uint64_t x0, y0, x1, y1;
};

uint64_t samplingAlignment(const J2kHeader& header, bool horizontal) {
    uint64_t alignment = 1;
    for (const J2kComponent& c : header.components)
        alignment = std::lcm(alignment, uint64_t{horizontal ? c.dx : c.dy});
    return alignment <= kMaxSamplingAlignment ? alignment : 1;
}

Area referenceArea(const J2kHeader& header, const J2kRegion& region) {
    // Level coordinates of component 0, then of the reference grid at the level.
    const uint64_t left = (header.levelColumn(header.x0, region.level) + region.x) * header.stepX();
    const uint64_t top = (header.levelRow(header.y0, region.level) + region.y) * header.stepY();
    const uint64_t right = left + region.width * header.stepX();
    const uint64_t bottom = top + region.height * header.stepY();
    const uint64_t ax = samplingAlignment(header, true), ay = samplingAlignment(header, false);
    const auto down = [](uint64_t v, uint64_t a) { return v / a * a; };
    const auto up = [](uint64_t v, uint64_t a) { return (v + a - 1) / a * a; };
    return {std::max<uint64_t>(header.x0, down(left, ax) << region.level),
            std::max<uint64_t>(header.y0, down(top, ay) << region.level),
            std::min<uint64_t>(header.x1, up(right, ax) << region.level),
            std::min<uint64_t>(header.y1, up(bottom, ay) << region.level)};
}

// Index of the component sample covering each output position (level coordinates of component
// 0 from `first`, `scale` reference-grid units each), clamped to the decoded samples.
std::vector<uint32_t> sampleIndices(uint64_t first, int64_t count, uint32_t scale, uint32_t step,
                                    int64_t origin, uint32_t available) {
    std::vector<uint32_t> indices(static_cast<size_t>(count));
    for (int64_t i = 0; i < count; ++i) {
        const int64_t index = static_cast<int64_t>((first + i) * scale / step) - origin;
        indices[static_cast<size_t>(i)] =
            static_cast<uint32_t>(std::clamp<int64_t>(index, 0, int64_t{available} - 1));
    }
    return indices;
}

template <class T>
T clampSample(OPJ_INT32 v) {
    return static_cast<T>(
        std::clamp<OPJ_INT32>(v, std::numeric_limits<T>::min(), std::numeric_limits<T>::max()));
}

// Where one band of the region comes from: the decoded component, and for each output column
// and row the index of the sample covering it.
struct BandSource {
    const opj_image_comp_t* comp;
    std::vector<uint32_t> columns;
    std::vector<uint32_t> rows;
    bool contiguous;
    void* band;
};

BandSource bandSource(const opj_image_comp_t& comp, const J2kHeader& header,
                      const J2kRegion& region, void* band) {
    const uint64_t left = header.levelColumn(header.x0, region.level) + region.x;
    const uint64_t top = header.levelRow(header.y0, region.level) + region.y;
    // The library reports a reduced component's origin at full resolution.
    const auto originX = static_cast<int64_t>(j2kCeilShift(comp.x0, region.level));
    const auto originY = static_cast<int64_t>(j2kCeilShift(comp.y0, region.level));
    BandSource source{
        &comp, sampleIndices(left, region.width, header.stepX(), comp.dx, originX, comp.w),
        sampleIndices(top, region.height, header.stepY(), comp.dy, originY, comp.h), false, band};
    source.contiguous = int64_t{source.columns.back()} - source.columns.front() == region.width - 1;
    return source;
}

// Row by row, every band in turn, so that each output row is written while it is in cache.
template <class T>
void writeBands(const std::vector<BandSource>& sources, const J2kRegion& region,
                const J2kTarget& target) {
    const int64_t step = target.pixelStride;
    for (int64_t y = 0; y < region.height; ++y) {
        for (const BandSource& source : sources) {
            const opj_image_comp_t& comp = *source.comp;
            const OPJ_INT32* in = comp.data + size_t{source.rows[static_cast<size_t>(y)]} * comp.w;
            T* out = static_cast<T*>(source.band) + y * target.lineStride;
            if (source.contiguous) {
                in += source.columns.front();
                for (int64_t x = 0; x < region.width; ++x) out[x * step] = clampSample<T>(in[x]);
            } else {
                for (int64_t x = 0; x < region.width; ++x)
                    out[x * step] = clampSample<T>(in[source.columns[static_cast<size_t>(x)]]);
            }
        }
    }
}

// Pixels of N bands in order without gaps, from full-size components: one pass per row, which
// the compiler turns into vector interleaving.
template <class T, size_t N>
void writePacked(const std::vector<BandSource>& sources, const J2kRegion& region,
                 const J2kTarget& target) {
    for (int64_t y = 0; y < region.height; ++y) {
        const OPJ_INT32* in[N];
        for (size_t c = 0; c < N; ++c) {
            const BandSource& source = sources[c];
            in[c] = source.comp->data +
                    size_t{source.rows[static_cast<size_t>(y)]} * source.comp->w +
                    source.columns.front();
        }
        T* out = static_cast<T*>(sources.front().band) + y * target.lineStride;
        for (int64_t x = 0; x < region.width; ++x)
            for (size_t c = 0; c < N; ++c) out[x * N + c] = clampSample<T>(in[c][x]);
    }
}

template <class T>
bool isPacked(const std::vector<BandSource>& sources, const J2kTarget& target) {
    if (target.pixelStride != static_cast<int64_t>(sources.size())) return false;
    for (size_t c = 0; c < sources.size(); ++c)
        if (!sources[c].contiguous || sources[c].band != static_cast<T*>(sources[0].band) + c)
            return false;
    return true;
}

template <class T>
void writeBands(const opj_image_t& image, const J2kHeader& header, const J2kRegion& region,
                const J2kTarget& target) {
    std::vector<BandSource> sources;
    for (uint32_t c = 0; c < image.numcomps; ++c)
        sources.push_back(bandSource(image.comps[c], header, region, target.bands[c]));
    if (isPacked<T>(sources, target)) {
        switch (sources.size()) {
            case 1:
                return writePacked<T, 1>(sources, region, target);
            case 3:
                return writePacked<T, 3>(sources, region, target);
            case 4:
                return writePacked<T, 4>(sources, region, target);
        }
    }
    writeBands<T>(sources, region, target);
}

void writeBands(const opj_image_t& image, const J2kHeader& header, const J2kRegion& region,
                const J2kTarget& target) {
    switch (target.type) {
        case J2kSampleType::UInt8:
            return writeBands<uint8_t>(image, header, region, target);
        case J2kSampleType::UInt16:
            return writeBands<uint16_t>(image, header, region, target);
        case J2kSampleType::Int16:
            return writeBands<int16_t>(image, header, region, target);
    }
}

bool regionInside(const J2kHeader& header, const J2kRegion& region) {
    return region.level < header.levels && region.x >= 0 && region.y >= 0 && region.width > 0 &&
           region.height > 0 && region.x + region.width <= header.levelWidth(region.level) &&
           region.y + region.height <= header.levelHeight(region.level);
}

bool decodedAsRead(const opj_image_t& image, const J2kHeader& header) {
    if (image.numcomps != header.components.size()) return false;
    for (uint32_t c = 0; c < image.numcomps; ++c)
        if (!image.comps[c].data || image.comps[c].w == 0 || image.comps[c].h == 0) return false;
    return true;
}

}  // namespace

bool J2kDecoder::fail(const std::string& fallback) {
    errorText_ = messages_.empty() ? fallback : messages_;
    return false;
}

bool J2kDecoder::readHeader(J2kHeader& header) {
    messages_.clear();
    Session session(stream_);
    if (!session.start(0, messages_, false, 1)) return fail("Not a readable JP2 file");
    const opj_image_t& image = *session.image;
    if (image.x1 <= image.x0 || image.y1 <= image.y0 || !fillComponents(image, header) ||
        !fillCodingInfo(session.codec.get(), header))
        return fail("Invalid JPEG 2000 image header");
    header.x0 = image.x0;
    header.y0 = image.y0;
    header.x1 = image.x1;
    header.y1 = image.y1;
    header.color = j2kReadColourBox(session.source.view, session.source.size);
    // Every tile has at least one part: its start-of-tile segment and start of data.
    constexpr uint64_t kSmallestTilePart = 14;
    const uint64_t tiles = uint64_t{header.tilesAcross} * header.tilesDown;
    if (tiles * kSmallestTilePart > session.source.size)
        return fail("The codestream is too short for the " + std::to_string(tiles) +
                    " tiles it declares");
    return true;
}

bool J2kDecoder::decode(const J2kHeader& header, const J2kRegion& region, const J2kTarget& target) {
    messages_.clear();
    if (target.bands.size() != header.components.size() || !regionInside(header, region))
        return fail("The region or target does not fit the JPEG 2000 image");
    const Area area = referenceArea(header, region);
    constexpr auto kLimit = static_cast<uint64_t>(std::numeric_limits<OPJ_INT32>::max());
    if (area.x1 > kLimit || area.y1 > kLimit)
        return fail("The JPEG 2000 image is too large for the decoder");

    Session session(stream_);
    if (!session.start(region.layers, messages_, true, threads_))
        return fail("Not a readable JP2 file");
    opj_codec_t* codec = session.codec.get();
    opj_image_t* image = session.image.get();
    if (!opj_set_decoded_resolution_factor(codec, region.level) ||
        !opj_set_decode_area(codec, image, static_cast<OPJ_INT32>(area.x0),
                             static_cast<OPJ_INT32>(area.y0), static_cast<OPJ_INT32>(area.x1),
                             static_cast<OPJ_INT32>(area.y1)) ||
        !opj_decode(codec, session.stream.get(), image) ||
        !opj_end_decompress(codec, session.stream.get()))
        return fail("JPEG 2000 decoding failed");
    if (!decodedAsRead(*image, header))
        return fail("The decoded JPEG 2000 components differ from the header's");
    writeBands(*image, header, region, target);
    return true;
}
