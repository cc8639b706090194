#include "FpxJpegTileDecoder.h"

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace {

constexpr int kTileSide = 64;

struct ErrorManager {
    jpeg_error_mgr manager;
    jmp_buf jump;
};

[[noreturn]] void jumpOnError(j_common_ptr info) {
    std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1);
}

// Corrupt-data warnings leave libjpeg's best effort in the tile; they are not printed.
void ignoreMessage(j_common_ptr, int) {}

}  // namespace

// Plain C data only: libjpeg's errors longjmp across the functions that use it.
struct FpxJpegTileDecoder::State {
    jpeg_decompress_struct info;
    ErrorManager error;
    bool created;
    int loadedTables;  // index of the tables stream the object holds, 0 for none
};

namespace {

// No object with a destructor may live in this frame or below it: a libjpeg error jumps back
// here past them.
FpxStatus decodeTile(FpxJpegTileDecoder::State* s, const FpxJpegTileDecoder::Job* job) {
    jpeg_decompress_struct* info = &s->info;
    if (setjmp(s->error.jump)) {
        jpeg_abort_decompress(info);
        s->loadedTables = 0;
        return FpxStatus::CorruptTile;
    }
    if (job->tablesIndex > 0 && s->loadedTables != job->tablesIndex) {
        s->loadedTables = 0;
        jpeg_mem_src(info, job->tables, static_cast<unsigned long>(job->tablesSize));
        if (jpeg_read_header(info, FALSE) != JPEG_HEADER_TABLES_ONLY) {
            jpeg_abort_decompress(info);
            return FpxStatus::CorruptTile;
        }
        s->loadedTables = job->tablesIndex;
    }
    // A complete stream brings tables of its own, which replace the loaded ones.
    if (job->tablesIndex == 0) s->loadedTables = 0;
    jpeg_mem_src(info, job->tile, static_cast<unsigned long>(job->tileSize));
    if (jpeg_read_header(info, TRUE) != JPEG_HEADER_OK || info->num_components != job->channels ||
        info->image_width > kTileSide || info->image_height > kTileSide ||
        static_cast<int>(info->image_width) < job->columns ||
        static_cast<int>(info->image_height) < job->rows) {
        jpeg_abort_decompress(info);
        return FpxStatus::CorruptTile;
    }
    if (job->converted && job->channels == 3) {
        info->jpeg_color_space = JCS_YCbCr;
        info->out_color_space = JCS_RGB;
    } else if (job->converted && job->channels == 4) {
        // Colour and alpha went through the YCCK transform, which the CMYK output undoes.
        info->jpeg_color_space = JCS_YCCK;
        info->out_color_space = JCS_CMYK;
    } else {
        info->jpeg_color_space = JCS_UNKNOWN;
        info->out_color_space = JCS_UNKNOWN;
    }
    info->dct_method = JDCT_ISLOW;
    jpeg_start_decompress(info);
    JSAMPROW rows[kTileSide];
    for (int r = 0; r < job->rows; ++r) rows[r] = job->out + r * job->rowStride;
    while (static_cast<int>(info->output_scanline) < job->rows)
        jpeg_read_scanlines(info, rows + info->output_scanline,
                            static_cast<JDIMENSION>(job->rows) - info->output_scanline);
    jpeg_abort_decompress(info);
    return FpxStatus::Ok;
}

bool createDecompressor(FpxJpegTileDecoder::State* s) {
    s->info.err = jpeg_std_error(&s->error.manager);
    s->error.manager.error_exit = jumpOnError;
    s->error.manager.emit_message = ignoreMessage;
    if (setjmp(s->error.jump)) return false;
    jpeg_create_decompress(&s->info);
    return true;
}

}  // namespace

FpxJpegTileDecoder::FpxJpegTileDecoder() : state_(std::make_unique<State>()) {
    state_->loadedTables = 0;
    state_->created = createDecompressor(state_.get());
}

FpxJpegTileDecoder::~FpxJpegTileDecoder() {
    if (state_->created) jpeg_destroy_decompress(&state_->info);
}

FpxStatus FpxJpegTileDecoder::decode(const Job& job) {
    if (!state_->created || job.rows > kTileSide || job.columns > kTileSide)
        return FpxStatus::CorruptTile;
    return decodeTile(state_.get(), &job);
}
