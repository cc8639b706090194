#include <cstring>
#include <new>

#include "HctCalibration.h"
#include "HctImage.h"
#include "HctPixels.h"
#include "HctSdk.h"
#include "JpdDecoder.h"

namespace {

struct MemImageDeleter {
    void operator()(libraw_processed_image_t* image) const { LibRaw::dcraw_clear_mem(image); }
};

HctStatus librawStatus(int status) {
    return status == LIBRAW_UNSUFFICIENT_MEMORY ? kHctNoMemory : kHctDecodeFailed;
}

bool cameraColor(DCImageType type) {
    return type == DCCameraRGB24 || type == DCCameraRGB36 || type == DCCameraRGB48;
}

// LibRaw restores its colour data from the unpacked copy at every development, so the
// calibration goes into that copy.
HctStatus applyCalibration(HctImage& image) {
    LibRaw& raw = *image.raw;
    if (image.directory.empty()) return kHctCalibrationMissing;
    HctCameraMatrix matrix;
    const HctStatus read =
        hctReadCalibration(image.directory, raw.imgdata.idata.make, raw.imgdata.idata.model,
                           raw.imgdata.idata.colors, matrix);
    if (read != kHctOk) return read;
    const HctColorCoefficients coefficients = hctColorCoefficients(matrix);
    libraw_colordata_t& color = raw.imgdata.rawdata.color;
    std::memcpy(color.rgb_cam, coefficients.rgbCam, sizeof color.rgb_cam);
    std::memcpy(color.pre_mul, coefficients.preMul, sizeof color.pre_mul);
    for (int i = 0; i < matrix.colors; ++i)
        for (int j = 0; j < 3; ++j)
            color.cam_xyz[i][j] = static_cast<float>(matrix.rows[static_cast<size_t>(i * 3 + j)]);
    raw.imgdata.rawdata.ioparams.raw_color = 0;
    return kHctOk;
}

void setDevelopment(LibRaw& raw, DCImageType type, bool halfSize) {
    libraw_output_params_t& params = raw.imgdata.params;
    const bool camera = cameraColor(type);
    params.output_bps = hctLayout(type).bytesPerSample == 1 ? 8 : 16;
    params.output_color = camera ? 0 : 1;
    params.use_camera_wb = 1;
    params.half_size = halfSize ? 1 : 0;
    params.gamm[0] = camera ? 1.0 : 0.45;
    params.gamm[1] = camera ? 1.0 : 4.5;
    params.no_auto_bright = camera ? 1 : 0;
}

// Develops the image into `data`; kHctOk or a failure status.
HctStatus develop(HctImage& image, bool halfSize, HctImageData& data) {
    LibRaw& raw = *image.raw;
    if (!image.unpacked) {
        image.stream->expectJpegComponents(raw.imgdata.idata.colors);
        const int unpacked = raw.unpack();
        image.stream->releaseAbandonedJpeg();
        if (unpacked != LIBRAW_SUCCESS) return librawStatus(unpacked);
        // LibRaw fills what it could not read and goes on; such pixels are not the file's.
        if (raw.error_count() > 0 || image.stream->damagedJpeg()) return kHctDecodeFailed;
        image.unpacked = true;
    }
    if (hctNeedsCalibration(image.cameraType) && !cameraColor(image.type)) {
        const HctStatus calibrated = applyCalibration(image);
        if (calibrated != kHctOk) return calibrated;
    }
    setDevelopment(raw, image.type, halfSize);
    const int processed = raw.dcraw_process();
    if (processed != LIBRAW_SUCCESS) return librawStatus(processed);
    int status = LIBRAW_SUCCESS;
    std::unique_ptr<libraw_processed_image_t, MemImageDeleter> developed(
        raw.dcraw_make_mem_image(&status));
    if (!developed) return librawStatus(status);
    if (developed->type != LIBRAW_IMAGE_BITMAP ||
        (developed->colors != 1 && developed->colors != 3) ||
        (developed->bits != 8 && developed->bits != 16))
        return kHctDecodeFailed;
    // The working image is made again by the next development; the unpacked data stays.
    raw.free_image();
    const HctPixels pixels{developed->width, developed->height, developed->colors, developed->bits,
                           developed->data};
    data = hctConvert(pixels, image.type);
    return kHctOk;
}

HctStatus developFull(HctImage& image, HctImageData& data) {
    const HctStatus status = develop(image, false, data);
    if (status != kHctOk) return status;
    return data.width == image.width && data.height == image.height ? kHctOk : kHctDecodeFailed;
}

// Half-size development where LibRaw halves the mosaic; the full development averaged where it
// does not (images that are not a mosaic, or whose pixels it stretches).
HctStatus developThumbnail(HctImage& image, HctImageData& data) {
    const HctStatus status = develop(image, true, data);
    if (status != kHctOk) return status;
    if (data.width == image.thumbnailWidth && data.height == image.thumbnailHeight) return kHctOk;
    HctImageData full;
    const HctStatus fullStatus = developFull(image, full);
    if (fullStatus != kHctOk) return fullStatus;
    data = hctHalve(full);
    return kHctOk;
}

// The preview's pixels: 8-bit samples of previewColors colours, as stored.
HctStatus decodePreview(const HctImage& image, std::vector<uint8_t>& samples) {
    if (image.thumbnail == HctThumbnailSource::Bitmap) {
        samples = image.preview;
        return kHctOk;
    }
    JpdDecoder decoder;
    uint32_t width = 0, height = 0;
    int components = 0;
    const int colors = image.previewColors;
    if (decoder.setMemoryInput(image.preview.data(), image.preview.size()) != kJpdOk ||
        decoder.getImageInfo(width, height, components) != kJpdOk || width != image.previewWidth ||
        height != image.previewHeight ||
        decoder.setOutputColorSpace(colors == 1 ? JpdColorSpace::Grayscale : JpdColorSpace::RGB) !=
            kJpdOk ||
        decoder.start() != kJpdOk)
        return kHctDecodeFailed;
    samples.resize(size_t{width} * height * colors);
    int delivered = 0;
    const auto stride = static_cast<ptrdiff_t>(width) * colors;
    if (decoder.readScanLines(samples.data(), static_cast<int>(height), stride, delivered) !=
        kJpdOk)
        return kHctDecodeFailed;
    return kHctOk;
}

HctStatus previewThumbnail(HctImage& image, HctImageData& data) {
    uint32_t width = image.previewWidth, height = image.previewHeight;
    std::vector<uint8_t> samples;
    const HctStatus decoded = decodePreview(image, samples);
    if (decoded != kHctOk) return decoded;
    samples = hctFlip(samples, width, height, image.previewColors, image.flip);
    if (image.flip & 4) std::swap(width, height);
    if (width != image.thumbnailWidth || height != image.thumbnailHeight) return kHctDecodeFailed;
    data = hctConvert({width, height, image.previewColors, 8, samples.data()}, image.type);
    return kHctOk;
}

// Runs a development under the LibRaw lock, turning exceptions into statuses.
template <class Develop>
HctStatus guarded(HctImageRecord* record, HctImageData* data, Develop&& develop) {
    if (!record || !record->image || !data || hctDriverUses() == 0) return kHctBadHandle;
    HctImage& image = *record->image;
    try {
        const HctStatus sized = hctSizeImage(image);
        if (sized != kHctOk) return sized;
        std::lock_guard lock(hctLibRawLock());
        return develop(image, *data);
    } catch (const std::bad_alloc&) {
        return kHctNoMemory;
    }
}

}  // namespace

HctStatus hctGetImage(HctImageRecord* record, HctImageData* data) {
    return guarded(record, data, [](HctImage& image, HctImageData& out) {
        const HctStatus status = developFull(image, out);
        return status == kHctOk ? kHctImageDeveloped : status;
    });
}

HctStatus hctGetThumbnail(HctImageRecord* record, HctImageData* data) {
    return guarded(record, data, [](HctImage& image, HctImageData& out) {
        if (image.thumbnail == HctThumbnailSource::Developed) {
            const HctStatus status = developThumbnail(image, out);
            return status == kHctOk ? kHctThumbnailDeveloped : status;
        }
        const HctStatus status = previewThumbnail(image, out);
        return status == kHctOk ? kHctThumbnailFromPreview : status;
    });
}
