#include "PNGInterface.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "QorStream.h"
#include "ZynSettings.h"

// A byte source for libpng and for the walk over the chunks after the image data. Reads never
// throw: libpng calls them.
class PNGInput {
  public:
    virtual ~PNGInput() = default;
    // Bytes read, fewer at the end of the data.
    virtual size_t read(void* to, size_t n) = 0;
    virtual bool rewind() = 0;
    virtual bool skip(uint64_t n) = 0;
    // The name of the read function in error texts.
    virtual const char* readerName() const = 0;
};

namespace {

constexpr size_t kBlockSize = 65536;

class QorStreamInput : public PNGInput {
  public:
    explicit QorStreamInput(const QorStream& stream) : view_(stream.view()) {}
    size_t read(void* to, size_t n) override {
        return static_cast<size_t>(view_.read(to, static_cast<int64_t>(n)));
    }
    bool rewind() override { return view_.seek(0) == 0; }
    bool skip(uint64_t n) override {
        return view_.seek(static_cast<int64_t>(n), QorSeekOrigin::Current) == 0;
    }
    const char* readerName() const override { return "PNGReadFromQorStream"; }

  private:
    QorStreamView view_;
};

// Reads the blocks of a chain one after the other.
class MemoryInput : public PNGInput {
  public:
    explicit MemoryInput(const std::vector<std::vector<uint8_t>>& chain) : chain_(chain) {}
    size_t read(void* to, size_t n) override {
        auto* out = static_cast<uint8_t*>(to);
        size_t done = 0;
        while (done < n && block_ < chain_.size()) {
            const std::vector<uint8_t>& b = chain_[block_];
            const size_t piece = std::min(n - done, b.size() - position_);
            std::memcpy(out + done, b.data() + position_, piece);
            done += piece;
            position_ += piece;
            if (position_ == b.size()) ++block_, position_ = 0;
        }
        return done;
    }
    bool rewind() override {
        block_ = position_ = 0;
        return true;
    }
    bool skip(uint64_t n) override {
        while (n > 0 && block_ < chain_.size()) {
            const size_t piece =
                static_cast<size_t>(std::min<uint64_t>(n, chain_[block_].size() - position_));
            n -= piece;
            position_ += piece;
            if (position_ == chain_[block_].size()) ++block_, position_ = 0;
        }
        return n == 0;
    }
    const char* readerName() const override { return "PNGReadFromMemory"; }

  private:
    const std::vector<std::vector<uint8_t>>& chain_;
    size_t block_ = 0;
    size_t position_ = 0;
};

// libpng's read function. A short read ends the libpng call through png_error, so this frame
// holds nothing with a destructor.
void readInput(png_structp png, png_bytep data, size_t length) {
    auto* input = static_cast<PNGInput*>(png_get_io_ptr(png));
    if (input->read(data, length) == length) {
        PNGReadStruct::watchRead(png, data, length);
        return;
    }
    char message[200];
    std::snprintf(message, sizeof message,
                  "PNGInterface::%s,%d: read failed; requested %zu, but no more data available",
                  input->readerName(), __LINE__, length);
    png_error(png, message);
}

uint32_t bigEndian32(const uint8_t* b) {
    return uint32_t{b[0]} << 24 | uint32_t{b[1]} << 16 | uint32_t{b[2]} << 8 | uint32_t{b[3]};
}

}  // namespace

PNGInterface::PNGInterface() = default;
PNGInterface::~PNGInterface() = default;

bool PNGInterface::fail(const char* operation, int line, const std::string& reason) {
    errorText_ =
        std::string("PNGInterface::") + operation + "," + std::to_string(line) + ": " + reason;
    return false;
}

bool PNGInterface::keeps(const char* name) const {
    return (keepTag_ && std::memcmp(name, kPNGTagChunk, 4) == 0) ||
           (keepReduced_ && std::memcmp(name, kPNGReducedChunk, 4) == 0);
}

bool PNGInterface::SetUp(QorStream* input, bool skipImageData, bool noKeepTag, bool noKeepReduced) {
    errorText_.clear();
    trailer_.clear();
    png_ = std::make_unique<PNGReadStruct>();
    if (!png_->hasReadStruct() || !png_->hasInfo())
        return fail("SetUp", __LINE__, std::string("setup failed; ") + png_->lastError());
    if (input)
        input_ = std::make_unique<QorStreamInput>(*input);
    else
        input_ = std::make_unique<MemoryInput>(chain_);
    png_->readFrom(input_.get(), readInput);
    // A chain in memory is bounded already, and may still be filled after the set-up.
    png_->limitChunksTo(input ? input->size() : ZynSettings::get().maxDecodeBytes);
    skipImageData_ = skipImageData;
    keepTag_ = !noKeepTag;
    keepReduced_ = !noKeepReduced;
    return true;
}

void PNGInterface::SetTransforms(bool expand, const PNGReadOptions& options) {
    expand_ = expand;
    options_ = options;
}

bool PNGInterface::ReadHeader(Header& header) {
    if (!png_) return fail("ReadHeader", __LINE__, "not set up for reading");
    const std::string failed = "error reading header; ";
    if (!png_->keepChunks(kPNGPrivateChunks, 2, true) || !png_->readInfo() ||
        !png_->keepChunks(kPNGPrivateChunks, 2, false))
        return fail("ReadHeader", __LINE__, failed + png_->lastError());
    if (png_->colorType() == PNG_COLOR_TYPE_PALETTE && !expand_)
        return fail("ReadHeader", __LINE__,
                    "input image color type = " + std::to_string(PNG_COLOR_TYPE_PALETTE) +
                        " is not supported");
    const PNGLeadingChunks leading = png_->leadingChunks();
    passes_ = png_->setTransforms(expand_, options_);
    if (passes_ == 0) return fail("ReadHeader", __LINE__, failed + png_->lastError());
    header.width = png_->width();
    header.height = png_->height();
    header.channels = png_->channels();
    header.bitDepth = png_->bitDepth();
    header.passes = passes_;
    header.hasTag = keepTag_ && leading.hasTag;
    header.reducedWidth = keepReduced_ && leading.hasReducedRes ? leading.reducedWidth : 0;
    header.reducedHeight = keepReduced_ && leading.hasReducedRes ? leading.reducedHeight : 0;
    return true;
}

bool PNGInterface::ReadRows(uint8_t** rows, uint32_t count) {
    if (!png_) return fail("ReadRows", __LINE__, "not set up for reading");
    if (!png_->readRows(rows, count, passes_))
        return fail("ReadRows", __LINE__,
                    std::string("error reading image data; ") + png_->lastError());
    return true;
}

bool PNGInterface::ReadTrailer() {
    if (!png_) return fail("ReadTrailer", __LINE__, "not set up for reading");
    trailer_.clear();
    if (skipImageData_) return walkTrailer();
    const int wanted = int{keepTag_} + int{keepReduced_};
    const png_byte* names = !keepTag_       ? kPNGReducedChunk
                            : !keepReduced_ ? kPNGTagChunk
                                            : kPNGPrivateChunks;
    if ((wanted > 0 && !png_->keepChunks(names, wanted, true)) || !png_->readEnd())
        return fail("ReadTrailer", __LINE__,
                    std::string("error reading trailer; ") + png_->lastError());
    png_unknown_chunkp chunks = nullptr;
    const int count = png_get_unknown_chunks(png_->png(), png_->endInfo(), &chunks);
    for (int i = 0; i < count; ++i) {
        const png_unknown_chunk& c = chunks[i];
        const char* name = reinterpret_cast<const char*>(c.name);
        if ((c.location & PNG_AFTER_IDAT) && keeps(name))
            trailer_.push_back(
                {std::string(name, 4), std::vector<uint8_t>(c.data, c.data + c.size)});
    }
    return true;
}

// Walks the chunk records itself, so that the image data is skipped rather than inflated.
bool PNGInterface::walkTrailer() {
    PNGInput& in = *input_;
    uint8_t signature[8];
    if (!in.rewind() || in.read(signature, 8) != 8 || png_sig_cmp(signature, 0, 8) != 0)
        return fail("ReadTrailer", __LINE__, "cannot read the PNG signature again");
    bool afterImageData = false;
    for (;;) {
        uint8_t head[8];
        if (in.read(head, 8) != 8)
            return fail("ReadTrailer", __LINE__, "the data ends before the IEND chunk");
        const uint32_t length = bigEndian32(head);
        const char* name = reinterpret_cast<const char*>(head + 4);
        if (length > PNG_UINT_31_MAX)
            return fail("ReadTrailer", __LINE__, "invalid chunk length " + std::to_string(length));
        if (std::memcmp(name, "IEND", 4) == 0) return true;
        const bool imageData = std::memcmp(name, "IDAT", 4) == 0;
        afterImageData = afterImageData || imageData;
        if (imageData || !afterImageData || !keeps(name)) {
            if (!in.skip(uint64_t{length} + 4))
                return fail("ReadTrailer", __LINE__, "the data ends before the IEND chunk");
            continue;
        }
        Chunk chunk{std::string(name, 4), {}};
        // Grown as the data arrives, so a false length cannot make it larger than the input.
        for (uint32_t left = length; left > 0;) {
            const size_t piece = std::min<size_t>(left, kBlockSize);
            const size_t old = chunk.data.size();
            chunk.data.resize(old + piece);
            if (in.read(chunk.data.data() + old, piece) != piece)
                return fail("ReadTrailer", __LINE__,
                            "the data ends inside a " + chunk.name + " chunk");
            left -= static_cast<uint32_t>(piece);
        }
        uint8_t crc[4];
        uLong expected = crc32(0, head + 4, 4);
        expected = crc32(expected, chunk.data.data(), static_cast<uInt>(chunk.data.size()));
        if (in.read(crc, 4) != 4 || bigEndian32(crc) != expected)
            return fail("ReadTrailer", __LINE__, chunk.name + ": CRC error");
        trailer_.push_back(std::move(chunk));
    }
}

bool PNGInterface::MakeTagDataChunks(const PNGInterface& from, const char* name) {
    chain_.clear();
    const auto& chunks = from.trailer_;
    auto c =
        std::find_if(chunks.begin(), chunks.end(), [&](const Chunk& k) { return k.name == name; });
    for (; c != chunks.end() && c->name == name && !c->data.empty(); ++c) chain_.push_back(c->data);
    if (chain_.empty())
        return fail("MakeTagDataChunks", __LINE__,
                    std::string("no \"") + name + "\" chunk with data after the image data");
    return true;
}
