#include "JpdDecoder.h"

#include <algorithm>
#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <utility>

#include <jpeglib.h>
// After jpeglib.h, whose configuration decides which messages exist.
#include <jerror.h>

#include "JpdInput.h"
#include "QorSystem.h"
#include "ZynSettings.h"

JpdLoadFailureCallback jpdClientCallback = nullptr;

namespace {

// A progressive file may hold any number of scans, each a pass over the whole image; real files
// have a dozen or so, crafted ones thousands.
constexpr int kMaxScans = 500;
constexpr int kScanLimitCode = 1000;
const char* const kAddonMessages[] = {"JPEG file has more than %d scans", nullptr};
constexpr int kRowsPerCall = 16;

struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char text[JMSG_LENGTH_MAX];
};

ErrorManager& errorsOf(j_common_ptr cinfo) {
    return *reinterpret_cast<ErrorManager*>(cinfo->err);
}

// Warnings that mean the image cannot be decoded as stored: the pixels libjpeg would deliver
// after them are invented.
bool corruptsImage(int code) {
    switch (code) {
        case JWRN_JPEG_EOF:
        case JWRN_HIT_MARKER:
        case JWRN_HUFF_BAD_CODE:
        case JWRN_ARITH_BAD_CODE:
        case JWRN_MUST_RESYNC:
        case JWRN_BOGUS_PROGRESSION:
        case JWRN_NOT_SEQUENTIAL:
            return true;
        default:
            return false;
    }
}

[[noreturn]] void errorExit(j_common_ptr cinfo) {
    ErrorManager& err = errorsOf(cinfo);
    (*cinfo->err->format_message)(cinfo, err.text);
    std::longjmp(err.jump, 1);
}

void emitMessage(j_common_ptr cinfo, int level) {
    if (level >= 0) return;
    ErrorManager& err = errorsOf(cinfo);
    ++err.pub.num_warnings;
    (*cinfo->err->format_message)(cinfo, err.text);
    if (corruptsImage(err.pub.msg_code)) std::longjmp(err.jump, 1);
}

void outputMessage(j_common_ptr cinfo) {
    (*cinfo->err->format_message)(cinfo, errorsOf(cinfo).text);
}

void limitScans(j_common_ptr cinfo) {
    auto* dinfo = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (dinfo->input_scan_number <= kMaxScans) return;
    cinfo->err->msg_code = kScanLimitCode;
    cinfo->err->msg_parm.i[0] = kMaxScans;
    (*cinfo->err->error_exit)(cinfo);
}

JpdColorSpace fromLibjpeg(J_COLOR_SPACE space) {
    switch (space) {
        case JCS_GRAYSCALE:
            return JpdColorSpace::Grayscale;
        case JCS_RGB:
            return JpdColorSpace::RGB;
        case JCS_YCbCr:
            return JpdColorSpace::YCbCr;
        case JCS_CMYK:
            return JpdColorSpace::CMYK;
        case JCS_YCCK:
            return JpdColorSpace::YCCK;
        default:
            return JpdColorSpace::Other;
    }
}

J_COLOR_SPACE toLibjpeg(JpdColorSpace space) {
    switch (space) {
        case JpdColorSpace::RGB:
            return JCS_RGB;
        case JpdColorSpace::RGBA:
        case JpdColorSpace::RGBAFpx:
            return JCS_EXT_RGBA;
        case JpdColorSpace::YCbCr:
            return JCS_YCbCr;
        case JpdColorSpace::YCCK:
            return JCS_YCCK;
        case JpdColorSpace::CMYK:
            return JCS_CMYK;
        case JpdColorSpace::Grayscale:
            return JCS_GRAYSCALE;
        default:
            return JCS_UNKNOWN;
    }
}

}  // namespace

struct JpdDecoder::State {
    jpeg_decompress_struct cinfo{};
    ErrorManager err{};
    jpeg_progress_mgr progress{};
    JpdInput input;
    JOCTET* iccBytes = nullptr;
    unsigned int iccLength = 0;
    bool created = false;
};

JpdDecoder::JpdDecoder(JpdImplementation implementation)
    : implementation_(implementation), state_(std::make_unique<State>()) {
    State& s = *state_;
    s.cinfo.err = jpeg_std_error(&s.err.pub);
    s.err.pub.error_exit = &errorExit;
    s.err.pub.emit_message = &emitMessage;
    s.err.pub.output_message = &outputMessage;
    s.err.pub.addon_message_table = kAddonMessages;
    s.err.pub.first_addon_message = kScanLimitCode;
    s.err.pub.last_addon_message = kScanLimitCode;
    s.progress.progress_monitor = &limitScans;
    if (setjmp(s.err.jump)) {
        message_ = s.err.text;
        return;
    }
    jpeg_create_decompress(&s.cinfo);
    s.cinfo.mem->max_memory_to_use = static_cast<long>(ZynSettings::get().maxDecodeBytes);
    s.cinfo.src = s.input.manager();
    s.cinfo.progress = &s.progress;
    // The ICC profile travels in APP2 segments.
    jpeg_save_markers(&s.cinfo, JPEG_APP0 + 2, 0xFFFF);
    s.created = true;
}

JpdDecoder::~JpdDecoder() {
    releaseIccBytes();
    if (state_->created) jpeg_destroy_decompress(&state_->cinfo);
}

void JpdDecoder::disableSimd() {
    static std::once_flag once;
    // libjpeg-turbo asks the environment once, before its first SIMD decision.
    std::call_once(once, [] { qorSetEnvironment("JSIMD_FORCENONE", "1"); });
}

int JpdDecoder::fail(int status, std::string message) {
    message_ = std::move(message);
    return status;
}

int JpdDecoder::failed() {
    State& s = *state_;
    message_ = s.err.text;
    jpeg_abort_decompress(&s.cinfo);
    started_ = false;
    ready_ = false;
    return s.err.pub.msg_code != 0 ? s.err.pub.msg_code : kJpdBadState;
}

int JpdDecoder::setFileInput(FILE* file) {
    if (implementation_ != JpdImplementation::Standard)
        return fail(kJpdBadArgument, "the alternative implementation reads by path");
    state_->input.setFile(file);
    return kJpdOk;
}

int JpdDecoder::setStreamInput(QorStream* stream) {
    if (implementation_ != JpdImplementation::Standard)
        return fail(kJpdBadArgument, "the alternative implementation reads by path");
    state_->input.setStream(stream);
    return kJpdOk;
}

int JpdDecoder::setPathInput(const std::string& path) {
    if (implementation_ != JpdImplementation::Alternative)
        return fail(kJpdBadArgument, "the standard implementation reads files and streams");
    std::string why;
    if (!state_->input.setMapped(path, why)) return fail(kJpdNoInput, why);
    return kJpdOk;
}

int JpdDecoder::setMemoryInput(const uint8_t* data, size_t size) {
    state_->input.setMemory(data, size);
    return kJpdOk;
}

void JpdDecoder::releaseInput() {
    state_->input.release();
}

bool JpdDecoder::hasInput() const {
    return state_->input.hasHandle();
}

int JpdDecoder::keepMarkers(int code) {
    if (!state_->created) return fail(kJpdBadState, message_);
    if (const int status = saveMarkers(code); status != kJpdOk) return status;
    captureMarkers_ = true;
    return kJpdOk;
}

int JpdDecoder::saveMarkers(int code) {
    State& s = *state_;
    if (setjmp(s.err.jump)) return failed();
    jpeg_save_markers(&s.cinfo, code, 0xFFFF);
    return kJpdOk;
}

int JpdDecoder::getImageInfo(uint32_t& width, uint32_t& height, int& components) {
    State& s = *state_;
    if (!s.created) return fail(kJpdBadState, message_);
    started_ = false;
    ready_ = false;
    std::string why;
    if (!s.input.hasHandle()) return fail(kJpdNoInput, "the decoder has no input");
    if (!s.input.rewind(why)) return fail(kJpdNoInput, why);
    const int status = readHeader();
    // libjpeg refuses other precisions only once the frame header is in.
    const bool precisionRefused = status == JERR_BAD_PRECISION && s.cinfo.image_width > 0 &&
                                  s.cinfo.image_height > 0 && s.cinfo.num_components > 0;
    if (status != kJpdOk && !precisionRefused) return status;
    captureHeader(status == kJpdOk);
    ready_ = status == kJpdOk;
    width = info_.width;
    height = info_.height;
    components = info_.components;
    return kJpdOk;
}

int JpdDecoder::readHeader() {
    State& s = *state_;
    if (setjmp(s.err.jump)) return failed();
    jpeg_abort_decompress(&s.cinfo);
    jpeg_read_header(&s.cinfo, TRUE);
    s.iccBytes = nullptr;
    s.iccLength = 0;
    jpeg_read_icc_profile(&s.cinfo, &s.iccBytes, &s.iccLength);
    return kJpdOk;
}

void JpdDecoder::captureHeader(bool complete) {
    const jpeg_decompress_struct& c = state_->cinfo;
    info_ = JpdImageInfo{};
    info_.width = c.image_width;
    info_.height = c.image_height;
    info_.components = c.num_components;
    info_.precision = c.data_precision;
    hasHeader_ = true;
    decodable_ = complete;
    for (bool& present : quantPresent_) present = false;
    hasDensity_ = false;
    icc_.clear();
    markers_.clear();
    if (!complete) return;

    info_.fileColorSpace = fromLibjpeg(c.jpeg_color_space);
    info_.colorSpace = fromLibjpeg(c.out_color_space);
    for (int k = 0; k < 4 && k < c.num_components; ++k) {
        const int slot = c.comp_info[k].quant_tbl_no;
        const JQUANT_TBL* table =
            slot >= 0 && slot < NUM_QUANT_TBLS ? c.quant_tbl_ptrs[slot] : nullptr;
        if (!table) continue;
        quantPresent_[k] = true;
        for (int i = 0; i < 64; ++i) quant_[k][i] = table->quantval[i];
    }
    if (c.saw_JFIF_marker) {
        hasDensity_ = true;
        densityX_ = c.X_density;
        densityY_ = c.Y_density;
        densityUnit_ = c.density_unit;
    }
    if (state_->iccBytes) icc_.assign(state_->iccBytes, state_->iccBytes + state_->iccLength);
    releaseIccBytes();
    if (captureMarkers_)
        for (jpeg_saved_marker_ptr m = c.marker_list; m; m = m->next)
            markers_.push_back(
                {m->marker, std::vector<uint8_t>(m->data, m->data + m->data_length)});
}

void JpdDecoder::releaseIccBytes() {
    std::free(state_->iccBytes);
    state_->iccBytes = nullptr;
    state_->iccLength = 0;
}

int JpdDecoder::getScaleSize(int scale, uint32_t& width, uint32_t& height) const {
    if (scale < 0 || scale > 3 || !hasHeader_) return kJpdBadArgument;
    // libjpeg rounds scaled sizes up.
    const uint32_t denominator = 1u << scale;
    width = static_cast<uint32_t>((uint64_t{info_.width} + denominator - 1) / denominator);
    height = static_cast<uint32_t>((uint64_t{info_.height} + denominator - 1) / denominator);
    return kJpdOk;
}

bool JpdDecoder::canProduce(JpdColorSpace colorSpace) const {
    if (!decodable_) return false;
    if (colorSpace == JpdColorSpace::Other) return true;
    const bool toRgb = colorSpace == JpdColorSpace::RGB || colorSpace == JpdColorSpace::RGBA ||
                       colorSpace == JpdColorSpace::RGBAFpx;
    switch (info_.fileColorSpace) {
        case JpdColorSpace::Grayscale:
        case JpdColorSpace::RGB:
            return toRgb || colorSpace == JpdColorSpace::Grayscale;
        case JpdColorSpace::YCbCr:
            return toRgb || colorSpace == JpdColorSpace::Grayscale ||
                   colorSpace == JpdColorSpace::YCbCr;
        case JpdColorSpace::CMYK:
            return colorSpace == JpdColorSpace::CMYK;
        case JpdColorSpace::YCCK:
            return colorSpace == JpdColorSpace::CMYK || colorSpace == JpdColorSpace::YCCK;
        default:
            return false;
    }
}

int JpdDecoder::outputComponents(JpdColorSpace colorSpace) const {
    if (!canProduce(colorSpace)) return 0;
    switch (colorSpace) {
        case JpdColorSpace::Grayscale:
            return 1;
        case JpdColorSpace::RGB:
        case JpdColorSpace::YCbCr:
            return 3;
        case JpdColorSpace::Other:
            return info_.components;
        default:
            return 4;
    }
}

int JpdDecoder::setScaling(int scale) {
    if (scale < 0 || scale > 3) return fail(kJpdBadArgument, "scale must be 0 to 3");
    scale_ = scale;
    return kJpdOk;
}

int JpdDecoder::setOutputColorSpace(JpdColorSpace colorSpace) {
    if (hasHeader_ && !canProduce(colorSpace))
        return fail(kJpdBadArgument, "the decoder cannot deliver that colour space");
    requested_ = colorSpace;
    hasRequest_ = true;
    return kJpdOk;
}

int JpdDecoder::setDctMethod(int method) {
    if (method < JDCT_ISLOW || method > JDCT_FLOAT)
        return fail(kJpdBadArgument, "no such DCT method");
    dctMethod_ = method;
    return kJpdOk;
}

int JpdDecoder::start() {
    if (started_) return kJpdOk;
    if (!decodable_ && hasHeader_)
        return fail(kJpdBadState,
                    "Unsupported JPEG data precision " + std::to_string(info_.precision));
    if (!ready_) return fail(kJpdBadState, "the header must be read before decoding starts");
    return startDecompress();
}

namespace {

// Blocks across and down of one component, as libjpeg lays them out.
std::pair<uint64_t, uint64_t> componentBlocks(const jpeg_decompress_struct& c, int component) {
    const jpeg_component_info& comp = c.comp_info[component];
    const auto maxH = static_cast<uint64_t>(c.max_h_samp_factor);
    const auto maxV = static_cast<uint64_t>(c.max_v_samp_factor);
    const auto h = static_cast<uint64_t>(comp.h_samp_factor);
    const auto v = static_cast<uint64_t>(comp.v_samp_factor);
    return {(c.image_width * h + maxH * DCTSIZE - 1) / (maxH * DCTSIZE),
            (c.image_height * v + maxV * DCTSIZE - 1) / (maxV * DCTSIZE)};
}

// As libjpeg decides whether to keep every coefficient.
bool keepsEveryCoefficient(const jpeg_decompress_struct& c) {
    return c.progressive_mode || c.comps_in_scan < c.num_components;
}

}  // namespace

uint64_t JpdDecoder::decodeBytes() const {
    const jpeg_decompress_struct& c = state_->cinfo;
    if (!hasHeader_ || !(ready_ || started_)) return 0;
    uint64_t bytes = 0;
    const auto maxV = static_cast<uint64_t>(c.max_v_samp_factor);
    for (int i = 0; i < c.num_components; ++i) {
        const auto [rowBlocks, columnBlocks] = componentBlocks(c, i);
        // A band of rows as tall as the largest sampling factor, for the upsampler and colour
        // converter, and for files of several scans every coefficient.
        bytes += rowBlocks * DCTSIZE * maxV * DCTSIZE * 2;
        if (keepsEveryCoefficient(c)) bytes += rowBlocks * columnBlocks * sizeof(JBLOCK);
    }
    return bytes;
}

uint64_t JpdDecoder::blockCount() const {
    const jpeg_decompress_struct& c = state_->cinfo;
    if (!hasHeader_ || !(ready_ || started_)) return 0;
    uint64_t blocks = 0;
    for (int i = 0; i < c.num_components; ++i) {
        const auto [rowBlocks, columnBlocks] = componentBlocks(c, i);
        blocks += rowBlocks * columnBlocks;
    }
    return blocks;
}

bool JpdDecoder::tooShortForItsBlocks() const {
    const jpeg_decompress_struct& c = state_->cinfo;
    // Small buffers are cheap, and a truncated file may still show what it holds; an arithmetic
    // coder can spend less than a bit on a block.
    constexpr uint64_t kCheapCoefficients = uint64_t{64} << 20;
    if (!hasHeader_ || !(ready_ || started_) || !keepsEveryCoefficient(c) || c.arith_code)
        return false;
    const uint64_t blocks = blockCount();
    const uint64_t inputBytes = state_->input.size();
    return blocks * sizeof(JBLOCK) > kCheapCoefficients && inputBytes != 0 &&
           blocks / 8 > inputBytes;
}

int JpdDecoder::startDecompress() {
    State& s = *state_;
    if (setjmp(s.err.jump)) return failed();
    s.cinfo.scale_num = 1;
    s.cinfo.scale_denom = 1u << scale_;
    s.cinfo.dct_method = static_cast<J_DCT_METHOD>(dctMethod_);
    if (hasRequest_ && canProduce(requested_)) {
        s.cinfo.out_color_space = toLibjpeg(requested_);
        // Samples as stored: no conversion at all.
        if (requested_ == JpdColorSpace::Other) s.cinfo.jpeg_color_space = JCS_UNKNOWN;
    }
    jpeg_start_decompress(&s.cinfo);
    ready_ = false;
    started_ = true;
    return kJpdOk;
}

int JpdDecoder::stop() {
    if (state_->created) jpeg_abort_decompress(&state_->cinfo);
    started_ = false;
    ready_ = false;
    return kJpdOk;
}

int JpdDecoder::reset() {
    stop();
    std::string why;
    if (!state_->input.rewind(why)) return fail(kJpdNoInput, why);
    return kJpdOk;
}

uint32_t JpdDecoder::outputWidth() const {
    return started_ ? state_->cinfo.output_width : 0;
}

uint32_t JpdDecoder::outputHeight() const {
    return started_ ? state_->cinfo.output_height : 0;
}

int JpdDecoder::readScanLines(uint8_t* destination, int lines, ptrdiff_t lineStride,
                              int& delivered) {
    delivered = 0;
    if (!started_) return fail(kJpdBadState, "decoding has not started");
    if (lines < 0 || !destination) return fail(kJpdBadArgument, "no destination for the lines");
    const int status = decodeLines(destination, lines, lineStride);
    delivered = delivered_;
    if (status != kJpdOk) return status;
    if (delivered_ < lines)
        return fail(kJpdShortRead, "the image ends after " + std::to_string(delivered_) +
                                       " of the lines asked for");
    return kJpdOk;
}

int JpdDecoder::decodeLines(uint8_t* destination, int lines, ptrdiff_t lineStride) {
    State& s = *state_;
    delivered_ = 0;
    if (setjmp(s.err.jump)) return failed();
    while (delivered_ < lines && s.cinfo.output_scanline < s.cinfo.output_height) {
        JSAMPROW rows[kRowsPerCall];
        const int want = std::min(lines - delivered_, kRowsPerCall);
        for (int i = 0; i < want; ++i) rows[i] = destination + (delivered_ + i) * lineStride;
        const JDIMENSION got = jpeg_read_scanlines(&s.cinfo, rows, static_cast<JDIMENSION>(want));
        if (got == 0) break;
        delivered_ += static_cast<int>(got);
    }
    return kJpdOk;
}

int JpdDecoder::getQuantTable(int component, uint16_t (&table)[64]) const {
    if (component < 0 || component > 3 || !quantPresent_[component]) return kJpdNotPresent;
    std::memcpy(table, quant_[component], sizeof table);
    return kJpdOk;
}

int JpdDecoder::getIccProfile(std::vector<uint8_t>& profile) const {
    if (icc_.empty()) return kJpdNotPresent;
    profile = icc_;
    return kJpdOk;
}

int JpdDecoder::getDpi(uint16_t& x, uint16_t& y, uint8_t& unit) const {
    if (!hasDensity_) return kJpdNotPresent;
    x = densityX_;
    y = densityY_;
    unit = densityUnit_;
    return kJpdOk;
}
