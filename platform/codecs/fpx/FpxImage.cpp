#include "FpxImage.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "FpxBytes.h"

namespace {

// On-disk class ids of the FlashPix image view (the root) and of summary information.
constexpr FpxClassId kImageViewClassId = {0x00, 0x67, 0x61, 0x56, 0x54, 0xC1, 0xCE, 0x11,
                                          0x85, 0x53, 0x00, 0xAA, 0x00, 0xA1, 0xF9, 0x5B};

constexpr uint32_t kMaxLevels = 32;
constexpr size_t kStreamHeader = 28;  // offsets in subimage streams count from here
constexpr size_t kSubimageHeaderBytes = 64;
constexpr size_t kTileEntryBytes = 16;
constexpr uint32_t kUncompressed = 0, kSingleColor = 1, kJpeg = 2;
constexpr uint32_t kOpacityType = 0x7FFE;
constexpr uint32_t kUnsigned8 = 17;  // the numerical format of 8-bit samples

// Image contents property ids; `r` is a file resolution number.
constexpr uint32_t kNumberOfResolutions = 0x01000000;
constexpr uint32_t kFullWidth = 0x01000002, kFullHeight = 0x01000003;
constexpr uint32_t levelProperty(uint32_t base, uint32_t r) {
    return base | r << 16;
}
constexpr uint32_t kLevelWidth = 0x02000000, kLevelHeight = 0x02000001, kLevelColors = 0x02000002,
                   kLevelFormat = 0x02000003;
constexpr uint32_t jpegTablesProperty(uint32_t index) {
    return 0x03000001 | index << 16;
}

// Viewing parameter ids of the transform property set.
constexpr uint32_t kAspectRatio = 0x10000000, kRoi = 0x10000001, kAffine = 0x10000003,
                   kColorTwist = 0x10000004, kContrast = 0x10000005;

constexpr uint32_t kSide = kFpxTileSide;

uint32_t tilesFor(uint32_t pixels) {
    return pixels / kSide + (pixels % kSide != 0);
}

// The channels of an image from the colour words of its full resolution.
FpxImageInfo describeChannels(const std::vector<uint32_t>& words) {
    FpxImageInfo info;
    info.numChannels = static_cast<int>(words.size());
    const uint32_t space = words[0] >> 16 & 0x7FFF;
    const bool alpha = (words.back() & 0x7FFF) == kOpacityType;
    const size_t colors = words.size() - alpha;
    bool ordered = colors > 0;
    for (size_t k = 0; k < words.size(); ++k) {
        ordered = ordered && (words[k] >> 16 & 0x7FFF) == space;
        if (k < colors) {
            ordered = ordered && (words[k] & 0x7FFF) == k;
            info.premultiplied = info.premultiplied || (alpha && (words[k] & 0x8000) != 0);
        }
    }
    int firstCode = kFpxChannelNone;
    if (ordered && colors == 1 && space == 1) {
        info.colorSpace = kFpxMonochrome;
        firstCode = kFpxChannelMonochrome;
    } else if (ordered && colors == 3 && space == 2) {
        info.colorSpace = kFpxPhotoYcc;
        firstCode = kFpxChannelY;
    } else if (ordered && colors == 3 && space == 3) {
        info.colorSpace = kFpxRgb;
        firstCode = kFpxChannelRed;
    } else if (ordered && colors == 3 && space == 9) {
        info.colorSpace = kFpxYCbCr;
    }
    for (size_t k = 0; k < colors; ++k)
        info.channelCodes[k] =
            firstCode == kFpxChannelNone ? kFpxChannelNone : firstCode + static_cast<int>(k);
    if (alpha) info.channelCodes[colors] = kFpxChannelAlpha;
    return info;
}

bool colorWords(const FpxPropertySet& contents, uint32_t r, std::vector<uint32_t>& words) {
    const uint8_t* blob;
    size_t size;
    if (!contents.getBlob(levelProperty(kLevelColors, r), blob, size) || size < 8) return false;
    const uint32_t channels = fpxU32(blob + 4);
    if (fpxU32(blob) < 1 || channels < 1 || channels > kFpxMaxChannels || size < 8 + 4 * channels)
        return false;
    words.resize(channels);
    for (uint32_t k = 0; k < channels; ++k) words[k] = fpxU32(blob + 8 + 4 * k);
    return true;
}

bool allFinite(const std::vector<float>& values) {
    for (float v : values)
        if (!std::isfinite(v)) return false;
    return true;
}

// Reads a vector of exactly `count` finite floats.
bool floats(const FpxPropertySet& set, uint32_t id, size_t count, std::vector<float>& values) {
    return set.getFloatVector(id, values) && values.size() == count && allFinite(values);
}

bool positiveFinite(const FpxPropertySet& set, uint32_t id, float& value) {
    return set.getFloat(id, value) && std::isfinite(value) && value > 0;
}

}  // namespace

FpxStatus FpxImage::readPropertySet(int parent, const char* name, FpxPropertySet& set) const {
    int index;
    if (FpxStatus s = file_->findChild(parent, name, index); s != FpxStatus::Ok) return s;
    if (index == FpxCompoundFile::kNone) return FpxStatus::PropertyNotFound;
    FpxCompoundStream stream;
    std::vector<uint8_t> bytes;
    if (FpxStatus s = file_->openStream(index, stream); s != FpxStatus::Ok) return s;
    if (!stream.readAll(bytes)) return FpxStatus::FileReadError;
    return FpxPropertySet::parse(std::move(bytes), set);
}

FpxStatus FpxImage::openImageObject(const FpxCompoundFile& file, int& store,
                                    FpxPropertySet& contents) {
    if (file.rootClassId() != kImageViewClassId) return FpxStatus::InvalidFormat;
    if (FpxStatus s = file.findChild(FpxCompoundFile::kRoot, "Data Object Store 000001", store);
        s != FpxStatus::Ok)
        return s;
    if (store == FpxCompoundFile::kNone) return FpxStatus::ViewOnlyFile;
    if (file.entry(store).type != 1) return FpxStatus::InvalidFormat;
    int index;
    if (FpxStatus s = file.findChild(store, "\005Image Contents", index); s != FpxStatus::Ok)
        return s;
    FpxCompoundStream stream;
    std::vector<uint8_t> bytes;
    if (index == FpxCompoundFile::kNone || file.openStream(index, stream) != FpxStatus::Ok)
        return FpxStatus::InvalidFormat;
    if (!stream.readAll(bytes)) return FpxStatus::FileReadError;
    return FpxPropertySet::parse(std::move(bytes), contents);
}

FpxStatus FpxImage::check(const std::string& path) {
    std::unique_ptr<FpxCompoundFile> file;
    if (FpxStatus s = FpxCompoundFile::open(path, file); s != FpxStatus::Ok) return s;
    int store;
    FpxPropertySet contents;
    return openImageObject(*file, store, contents);
}

FpxStatus FpxImage::open(const std::string& path, std::unique_ptr<FpxImage>& image) {
    std::unique_ptr<FpxCompoundFile> file;
    if (FpxStatus s = FpxCompoundFile::open(path, file); s != FpxStatus::Ok) return s;
    std::unique_ptr<FpxImage> opened(new FpxImage(std::move(file)));
    if (FpxStatus s = openImageObject(*opened->file_, opened->store_, opened->contents_);
        s != FpxStatus::Ok)
        return s;
    const FpxStatus levels = opened->readContents();
    if (!fpxSucceeded(levels)) return levels;
    const FpxStatus view = opened->readView();
    image = std::move(opened);
    return levels != FpxStatus::Ok ? levels : view;
}

FpxStatus FpxImage::readContents() {
    uint32_t count, width, height;
    if (!contents_.getUInt32(kNumberOfResolutions, count) || count < 1 || count > kMaxLevels ||
        !contents_.getUInt32(kFullWidth, width) || !contents_.getUInt32(kFullHeight, height))
        return FpxStatus::InvalidFormat;
    std::vector<uint32_t> fullColors;
    if (!colorWords(contents_, count - 1, fullColors)) return FpxStatus::InvalidFormat;
    info_ = describeChannels(fullColors);
    scratch_.resize(kSide * kSide * static_cast<size_t>(info_.numChannels));

    FpxStatus status = FpxStatus::Ok;
    levels_.resize(count);
    for (uint32_t k = 0; k < count; ++k) {
        const uint32_t r = count - 1 - k;  // the file numbers from the smallest
        std::vector<uint32_t> colors;
        Level& level = levels_[k];
        const bool usable =
            contents_.getUInt32(levelProperty(kLevelWidth, r), level.size.width) &&
            contents_.getUInt32(levelProperty(kLevelHeight, r), level.size.height) &&
            level.size.width <= width && level.size.height <= height &&
            colorWords(contents_, r, colors) && colors == fullColors &&
            readLevel(r, level) == FpxStatus::Ok;
        level.size.present = usable;
        if (k == 0 && (!usable || level.size.width != width || level.size.height != height))
            return FpxStatus::InvalidFormat;
        if (!usable) status = FpxStatus::LevelUnreadable;
    }
    return status;
}

FpxStatus FpxImage::readLevel(uint32_t fileIndex, Level& level) const {
    std::vector<uint32_t> formats;
    if (contents_.getUInt32Vector(levelProperty(kLevelFormat, fileIndex), formats))
        for (uint32_t f : formats)
            if (f != kUnsigned8) return FpxStatus::UnsupportedFormat;
    if (level.size.width == 0 || level.size.height == 0) return FpxStatus::InvalidFormat;

    char name[32];
    std::snprintf(name, sizeof name, "Resolution %04u", fileIndex);
    int storage, header, data;
    if (file_->findChild(store_, name, storage) != FpxStatus::Ok ||
        storage == FpxCompoundFile::kNone || file_->entry(storage).type != 1 ||
        file_->findChild(storage, "Subimage 0000 Header", header) != FpxStatus::Ok ||
        file_->findChild(storage, "Subimage 0000 Data", data) != FpxStatus::Ok ||
        header == FpxCompoundFile::kNone || data == FpxCompoundFile::kNone)
        return FpxStatus::InvalidFormat;
    FpxCompoundStream headerStream;
    if (file_->openStream(header, headerStream) != FpxStatus::Ok ||
        file_->openStream(data, level.data) != FpxStatus::Ok)
        return FpxStatus::InvalidFormat;

    uint8_t h[kSubimageHeaderBytes];
    if (!headerStream.read(0, h, sizeof h)) return FpxStatus::InvalidFormat;
    level.tilesAcross = tilesFor(level.size.width);
    const uint64_t tiles = uint64_t{level.tilesAcross} * tilesFor(level.size.height);
    const uint64_t table = kStreamHeader + uint64_t{fpxU32(h + 56)};
    const uint32_t entryBytes = fpxU32(h + 60);
    if (fpxU32(h + 32) != level.size.width || fpxU32(h + 36) != level.size.height ||
        fpxU32(h + 40) != tiles || fpxU32(h + 44) != kSide || fpxU32(h + 48) != kSide ||
        fpxU32(h + 52) != static_cast<uint32_t>(info_.numChannels) ||
        entryBytes < kTileEntryBytes || table > headerStream.size() ||
        tiles > (headerStream.size() - table) / entryBytes)
        return FpxStatus::InvalidFormat;

    std::vector<uint8_t> entries(static_cast<size_t>(tiles * entryBytes));
    if (!headerStream.read(table, entries.data(), entries.size())) return FpxStatus::FileReadError;
    level.tiles.resize(static_cast<size_t>(tiles));
    for (size_t i = 0; i < level.tiles.size(); ++i) {
        const uint8_t* e = entries.data() + i * entryBytes;
        level.tiles[i] = {fpxU32(e), fpxU32(e + 4), fpxU32(e + 8), fpxU32(e + 12)};
    }
    return FpxStatus::Ok;
}

FpxStatus FpxImage::readView() {
    FpxPropertySet view;
    const FpxStatus s = readPropertySet(FpxCompoundFile::kRoot, "\005Transform 000001", view);
    if (s == FpxStatus::PropertyNotFound) return FpxStatus::Ok;
    if (s != FpxStatus::Ok) return FpxStatus::ViewUnreadable;
    view_ = std::move(view);
    // A damaged value would distort the picture; the whole view is then left out.
    NIFAffineMatrix matrix;
    NIFColorTwistMatrix twist;
    NIFROI region;
    float value;
    const bool damaged = (view_->has(kAffine) && !affine(matrix)) ||
                         (view_->has(kColorTwist) && !colorTwist(twist)) ||
                         (view_->has(kRoi) && !roi(region)) ||
                         (view_->has(kAspectRatio) && !aspectRatio(value)) ||
                         (view_->has(kContrast) && !contrast(value));
    if (!damaged) return FpxStatus::Ok;
    view_.reset();
    return FpxStatus::ViewUnreadable;
}

FpxResolutionInfo FpxImage::levels() const {
    FpxResolutionInfo result;
    for (const Level& level : levels_) result.push_back(level.size);
    return result;
}

bool FpxImage::affine(NIFAffineMatrix& matrix) const {
    std::vector<float> v;
    if (!view_) return false;
    if (floats(*view_, kAffine, 16, v)) {
        std::copy(v.begin(), v.end(), matrix.m.begin());
        return true;
    }
    // Some writers store only the six coefficients a, b, c, d, e, f.
    if (!floats(*view_, kAffine, 6, v)) return false;
    matrix.identity();
    matrix.m[0] = v[0];
    matrix.m[1] = v[1];
    matrix.m[3] = v[2];
    matrix.m[4] = v[3];
    matrix.m[5] = v[4];
    matrix.m[7] = v[5];
    return true;
}

bool FpxImage::colorTwist(NIFColorTwistMatrix& matrix) const {
    std::vector<float> v;
    if (!view_ || !floats(*view_, kColorTwist, 16, v)) return false;
    std::copy(v.begin(), v.end(), matrix.m.begin());
    return true;
}

bool FpxImage::roi(NIFROI& region) const {
    std::vector<float> v;
    if (!view_ || !floats(*view_, kRoi, 4, v) || v[2] <= 0 || v[3] <= 0) return false;
    region = NIFROI(v[0], v[1], v[2], v[3]);
    return true;
}

bool FpxImage::aspectRatio(float& value) const {
    return view_ && positiveFinite(*view_, kAspectRatio, value);
}

bool FpxImage::contrast(float& value) const {
    return view_ && view_->getFloat(kContrast, value) && std::isfinite(value);
}

FpxStatus FpxImage::summary(NIFSummaryInformation& summary) const {
    FpxPropertySet set;
    if (FpxStatus s = readPropertySet(FpxCompoundFile::kRoot, "\005SummaryInformation", set);
        s != FpxStatus::Ok)
        return s;
    NIFSummaryInformation read;
    std::string text;
    NIFStr* texts[] = {&read.title,    &read.subject,      &read.author,     &read.keywords,
                       &read.comments, &read.templateName, &read.lastAuthor, &read.revisionNumber};
    for (uint32_t id = 2; id <= 9; ++id)
        if (set.getText(id, text)) *texts[id - 2] = NIFStr(text);
    NIFfiletime* times[] = {&read.editTime, &read.lastPrinted, &read.created, &read.lastSaved};
    uint64_t time;
    for (uint32_t id = 10; id <= 13; ++id)
        if (set.getFileTime(id, time)) *times[id - 10] = NIFfiletime(time);
    set.getUInt32(14, read.pageCount);
    set.getUInt32(15, read.wordCount);
    set.getUInt32(16, read.characterCount);
    const uint8_t* data;
    size_t size;
    if (set.getClipboard(17, data, size))
        read.thumbnail = NIFCountedArray<uint8_t>(data, static_cast<uint32_t>(size));
    if (set.getText(18, text)) read.applicationName = NIFStr(text);
    set.getUInt32(19, read.security);
    summary = std::move(read);
    return FpxStatus::Ok;
}

FpxStatus FpxImage::readTileBytes(const Level& level, const Tile& tile, size_t size) {
    const uint64_t at = kStreamHeader + uint64_t{tile.offset};
    if (size > tile.size || at > level.data.size() || size > level.data.size() - at)
        return FpxStatus::CorruptTile;
    tileBytes_.resize(size);
    return level.data.read(at, tileBytes_.data(), size) ? FpxStatus::Ok : FpxStatus::FileReadError;
}

FpxStatus FpxImage::decodeTile(const Level& level, size_t index, uint8_t* out, ptrdiff_t rowStride,
                               int columns, int rows) {
    const Tile& tile = level.tiles[index];
    const int channels = info_.numChannels;
    const size_t rowBytes = static_cast<size_t>(columns) * static_cast<size_t>(channels);
    switch (tile.compression) {
        case kUncompressed: {
            const size_t stride = kSide * static_cast<size_t>(channels);
            if (FpxStatus s = readTileBytes(level, tile, stride * kSide); s != FpxStatus::Ok)
                return s;
            for (int r = 0; r < rows; ++r)
                std::memcpy(out + r * rowStride, tileBytes_.data() + r * stride, rowBytes);
            return FpxStatus::Ok;
        }
        case kSingleColor: {
            // The colour is in the subtype: channel k is byte k of the little-endian word.
            uint8_t pixel[kFpxMaxChannels];
            for (int k = 0; k < channels; ++k)
                pixel[k] = static_cast<uint8_t>(tile.subtype >> 8 * k);
            for (int r = 0; r < rows; ++r)
                for (int x = 0; x < columns; ++x)
                    std::memcpy(out + r * rowStride + x * channels, pixel,
                                static_cast<size_t>(channels));
            return FpxStatus::Ok;
        }
        case kJpeg: {
            FpxJpegTileDecoder::Job job;
            job.tablesIndex = static_cast<int>(tile.subtype >> 24);
            if (job.tablesIndex > 0 &&
                !contents_.getBlob(jpegTablesProperty(job.tablesIndex), job.tables, job.tablesSize))
                return FpxStatus::CorruptTile;
            if (FpxStatus s = readTileBytes(level, tile, tile.size); s != FpxStatus::Ok) return s;
            job.tile = tileBytes_.data();
            job.tileSize = tileBytes_.size();
            job.channels = channels;
            job.converted = (tile.subtype >> 16 & 0xFF) != 0;
            job.out = out;
            job.rowStride = rowStride;
            job.columns = columns;
            job.rows = rows;
            return jpeg_.decode(job);
        }
        default:
            return FpxStatus::CorruptTile;
    }
}

bool FpxImage::describesEveryChannel(const FpxImageDesc& desc, bool& native) const {
    const int channels = info_.numChannels;
    if (desc.numChannels != channels) return false;
    native = true;
    for (int k = 0; k < channels; ++k) {
        const FpxChannelDesc& c = desc.channels[k];
        if (c.colorCode == kFpxChannelNone || c.colorCode != info_.channelCodes[k] || !c.data ||
            c.sampleKind != FpxSampleKind::UInt8)
            return false;
        native = native && c.columnStride == channels &&
                 c.lineStride == desc.channels[0].lineStride && c.data == desc.channels[0].data + k;
    }
    return true;
}

FpxStatus FpxImage::readRectangle(int levelIndex, uint32_t x0, uint32_t y0, uint32_t x1,
                                  uint32_t y1, const FpxImageDesc& desc) {
    if (levelIndex < 0 || levelIndex >= static_cast<int>(levels_.size()))
        return FpxStatus::InvalidParameter;
    const Level& level = levels_[static_cast<size_t>(levelIndex)];
    bool native = false;
    if (!level.size.present || x0 > x1 || y0 > y1 || x1 >= level.size.width ||
        y1 >= level.size.height || !describesEveryChannel(desc, native))
        return FpxStatus::InvalidParameter;
    const Region request{x0, y0, x1, y1};
    for (uint32_t ty = y0 / kSide; ty <= y1 / kSide; ++ty)
        for (uint32_t tx = x0 / kSide; tx <= x1 / kSide; ++tx)
            if (FpxStatus s = readTilePart(level, tx, ty, request, desc, native);
                s != FpxStatus::Ok)
                return s;
    return FpxStatus::Ok;
}

FpxStatus FpxImage::readTilePart(const Level& level, uint32_t tx, uint32_t ty,
                                 const Region& request, const FpxImageDesc& desc, bool native) {
    const uint32_t left = tx * kSide, top = ty * kSide;
    const Region part{std::max(request.x0, left), std::max(request.y0, top),
                      std::min(request.x1, left + kSide - 1),
                      std::min(request.y1, top + kSide - 1)};
    const size_t index = size_t{ty} * level.tilesAcross + tx;
    // Only the rows and columns up to the part's far edges need decoding.
    const int columns = static_cast<int>(part.x1 - left + 1);
    const int rows = static_cast<int>(part.y1 - top + 1);
    const FpxChannelDesc& first = desc.channels[0];
    if (native && part.x0 == left && part.y0 == top && columns == kSide && rows == kSide) {
        // A whole tile in the image's own layout is decoded straight into place.
        uint8_t* out = first.data + (top - request.y0) * first.lineStride +
                       (left - request.x0) * first.columnStride;
        return decodeTile(level, index, out, first.lineStride, columns, rows);
    }
    const int channels = info_.numChannels;
    const ptrdiff_t stride = static_cast<ptrdiff_t>(kSide) * channels;
    if (FpxStatus s = decodeTile(level, index, scratch_.data(), stride, columns, rows);
        s != FpxStatus::Ok)
        return s;
    const size_t width = part.x1 - part.x0 + 1;
    for (uint32_t y = part.y0; y <= part.y1; ++y) {
        const uint8_t* from = scratch_.data() + (y - top) * stride + (part.x0 - left) * channels;
        for (int k = 0; k < (native ? 1 : desc.numChannels); ++k) {
            const FpxChannelDesc& c = desc.channels[k];
            uint8_t* to =
                c.data + (y - request.y0) * c.lineStride + (part.x0 - request.x0) * c.columnStride;
            if (native) {
                std::memcpy(to, from, width * static_cast<size_t>(channels));
                continue;
            }
            for (size_t x = 0; x < width; ++x)
                to[static_cast<ptrdiff_t>(x) * c.columnStride] = from[x * channels + k];
        }
    }
    return FpxStatus::Ok;
}
