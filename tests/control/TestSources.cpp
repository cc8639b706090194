#include "TestSources.h"

#include <cstring>
#include <map>
#include <stdexcept>

#include "PpmFixture.h"
#include "ZynImageSource.h"
#include "ZynImageSourceOp.h"
#include "ZynRecognizer.h"

namespace {

const char kMetadataMagic[] = "TESTMETA\n";
const char kThrowingMagic[] = "TESTTHROW";

class MetadataOp : public ZynImageSourceOp {
  public:
    bool outputInfo(ZynOutputInfo& info) override {
        info.width = 5;
        info.height = 4;
        info.dataOrg = std::make_shared<ZynSimpleDataOrg>(5, 4, ZynDataType::UInt8, 1);
        return true;
    }
    bool canFill(const ZynRectBuffer& buffer) override {
        return buffer.org().isPackedPixelInterleaved();
    }
    void genRect(ZynRectBuffer& buffer) override {
        const ZynRect& r = buffer.rect();
        for (int64_t y = r.y; y < r.bottom(); ++y)
            for (int64_t x = r.x; x < r.right(); ++x)
                *buffer.sample<uint8_t>(x, y, 0) = static_cast<uint8_t>(10 * y + x);
    }
};

class MetadataSource : public ZynImageSource {
  public:
    ZynTransformPtr clone() const override { return std::make_shared<MetadataSource>(); }
    void setupTransform() override {
        auto space = std::make_shared<ZynXyCoordSpace>(ZynValue{5, ZynUnit::Millimeter},
                                                       ZynValue{4, ZynUnit::Millimeter});
        space->addResolution({5, 4});
        ZynOutputInfo info;
        op_->outputInfo(info);
        publishOutput(std::make_shared<ZynLumColorSpace>(), space, info.dataOrg);
    }
    ZynImageOpPtr opForResolution(int, const ZynResolution&) override { return op_; }
    bool readMetadata(const std::string& key, VulMetaValue& value) override {
        static const std::map<std::string, VulMetaValue> values = {
            {"Test.Text", std::string("h\xc3\xa9llo")},
            {"Test.Int", int64_t{42}},
            {"Test.Big", int64_t{1} << 40},
            {"Test.Real", 2.5},
            {"Test.Bytes", std::vector<uint8_t>{1, 2, 3}},
            {"Test.Shorts", std::vector<uint16_t>{500, 65535}},
            {"Test.Reals", std::vector<double>{0.5, -1}},
            {"Test.None", std::vector<uint8_t>{}}};
        const auto found = values.find(key);
        if (found != values.end()) value = found->second;
        return found != values.end();
    }

  private:
    std::shared_ptr<MetadataOp> op_ = std::make_shared<MetadataOp>();
};

bool startsWith(FILE* file, const char* magic) {
    if (!file) return false;
    char head[16] = {};
    const size_t n = std::fread(head, 1, std::strlen(magic), file);
    return n == std::strlen(magic) && std::memcmp(head, magic, n) == 0;
}

ZynTransformPtr recognizeMetadata(const std::wstring&, FILE* file, bool) {
    return startsWith(file, kMetadataMagic) ? std::make_shared<MetadataSource>() : nullptr;
}

ZynTransformPtr recognizeThrowing(const std::wstring&, FILE* file, bool) {
    if (startsWith(file, kThrowingMagic)) throw std::runtime_error("not a framework error");
    return nullptr;
}

ZynRecognizerRegistration metadataRecognizer({&recognizeMetadata, 0}, "TestMetadata");
ZynRecognizerRegistration throwingRecognizer({&recognizeThrowing, 0}, "TestThrowing");

}  // namespace

void writeMetadataFile(const std::string& path) {
    writeFile(path, kMetadataMagic);
}

void writeThrowingFile(const std::string& path) {
    writeFile(path, kThrowingMagic);
}
