#include "Commands.h"

#include <algorithm>
#include <cctype>
#include <iomanip>
#include <optional>
#include <ostream>
#include <stdexcept>

#include "AdobeMarker.h"
#include "BandStatistics.h"
#include "ComBstr.h"
#include "ComString.h"
#include "ComVariant.h"
#include "ImageHandle.h"
#include "ImageWriter.h"
#include "JsonText.h"
#include "Progress.h"
#include "StripReader.h"
#include "TevServer.h"
#include "TiffDumpWriter.h"
#include "VulMetaDataRegistry.h"
#include "ZynRecognizer.h"
#include "ZynSettings.h"
#include "ZynTransformRegistryEntry.h"

namespace {

const char* interleaveName(ZynInterleave interleave) {
    switch (interleave) {
        case ZynInterleave::Pixel:
            return "pixel-interleaved";
        case ZynInterleave::Line:
            return "line-interleaved";
        default:
            return "band-sequential";
    }
}

ZynRect requestedRect(const AnyImageArgs& args, const ZynResolution& resolution) {
    return args.rect ? *args.rect : ZynRect{0, 0, resolution.width, resolution.height};
}

template <class T>
void printElements(std::ostream& out, SAFEARRAY* array) {
    void* data = nullptr;
    SafeArrayAccessData(array, &data);
    const auto* elements = static_cast<const T*>(data);
    for (ULONG i = 0; i < array->rgsabound[0].cElements; ++i) out << (i ? " " : "") << +elements[i];
    SafeArrayUnaccessData(array);
}

void printValue(std::ostream& out, const VARIANT& value) {
    switch (value.vt) {
        case VT_I4:
            out << value.lVal;
            break;
        case VT_I8:
            out << value.llVal;
            break;
        case VT_R8:
            out << value.dblVal;
            break;
        case VT_BSTR:
            out << comToUtf8(ComBstr::copyOf(value.bstrVal).text().c_str());
            break;
        case VT_ARRAY | VT_UI1:
            out << value.parray->rgsabound[0].cElements << " bytes";
            break;
        case VT_ARRAY | VT_UI2:
            printElements<USHORT>(out, value.parray);
            break;
        case VT_ARRAY | VT_R8:
            printElements<double>(out, value.parray);
            break;
        default:
            out << "(a value of variant type " << value.vt << ")";
    }
    out << "\n";
}

// Makes the classes root of this process the current user's classes while it lives.
class PerUserClasses {
  public:
    PerUserClasses() {
        if (RegCreateKeyExW(HKEY_CURRENT_USER, OLESTR("Software\\Classes"), 0, nullptr, 0,
                            KEY_ALL_ACCESS, nullptr, &key_, nullptr) != ERROR_SUCCESS ||
            RegOverridePredefKey(HKEY_CLASSES_ROOT, key_) != ERROR_SUCCESS)
            throw std::runtime_error("cannot use the current user's classes in " +
                                     comRegistryStorePath());
    }
    ~PerUserClasses() {
        RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
        RegCloseKey(key_);
    }
    PerUserClasses(const PerUserClasses&) = delete;
    PerUserClasses& operator=(const PerUserClasses&) = delete;

  private:
    HKEY key_ = nullptr;
};

void printInfoText(const std::string& file, ImageHandle& image, std::ostream& out) {
    out << "File:        " << file << "\n";
    out << "Control:     " << image.controlDescription() << "\n";
    out << "Source:      " << image.sourceDescription() << "\n";
    ZynImageOutputCP& output = image.output();
    out << "Status:      OK\n";
    const ZynColorSpace& color = *output.colorSpace();
    const ZynResolution full = image.resolution({});
    out << "Size:        " << full.width << " x " << full.height << " pixels (extent "
        << image.width().toText() << " x " << image.height().toText() << ")\n";
    out << "Color space: " << color.name() << ", range " << color.minimum() << " to "
        << color.maximum() << " (" << tevColorSpaceName(image.colorSpace()) << ")\n";
    const ZynOutputInfo info = image.outputInfo(full);
    out << "Data type:   " << zynDataTypeName(info.dataOrg->dataType()) << "\n";
    out << "Bands:       " << info.dataOrg->bands() << "\n";
    const std::vector<ZynResolution> resolutions = image.resolutions();
    out << "Resolutions: " << resolutions.size() << "\n";
    for (size_t i = 0; i < resolutions.size(); ++i) {
        const ZynResolution& r = resolutions[i];
        const ZynOutputInfo level = image.outputInfo(r);
        out << "  " << i << ": " << r.width << " x " << r.height << ", native tile "
            << level.dataOrg->width() << " x " << level.dataOrg->height() << " "
            << interleaveName(level.dataOrg->interleave()) << "\n";
    }
}

int printInfoJson(const std::string& file, ImageHandle& image, std::ostream& out) {
    out << "{\"file\": " << jsonString(file)
        << ", \"control\": " << jsonString(image.controlDescription())
        << ", \"source\": " << jsonString(image.sourceDescription()) << ", \"status\": ";
    try {
        image.output();
    } catch (const QorError& e) {
        out << "{\"ok\": false, \"code\": " << e.code()
            << ", \"message\": " << jsonString(e.message()) << "}}\n";
        return 1;
    }
    out << "{\"ok\": true, \"code\": 0, \"message\": \"OK\"}";
    const ZynColorSpace& color = *image.output().colorSpace();
    const ZynResolution full = image.resolution({});
    const ZynValue width = image.width(), height = image.height();
    out << ", \"size\": {\"width\": " << full.width << ", \"height\": " << full.height << "}";
    out << ", \"extent\": {\"width\": " << jsonNumber(width.value)
        << ", \"height\": " << jsonNumber(height.value)
        << ", \"unit\": " << jsonString(zynUnitName(width.unit)) << "}";
    out << ", \"colorSpace\": {\"name\": " << jsonString(color.name())
        << ", \"control\": " << jsonString(tevColorSpaceName(image.colorSpace()))
        << ", \"minimum\": " << jsonNumber(color.minimum())
        << ", \"maximum\": " << jsonNumber(color.maximum()) << "}";
    const ZynOutputInfo info = image.outputInfo(full);
    out << ", \"dataType\": " << jsonString(zynDataTypeName(info.dataOrg->dataType()))
        << ", \"bands\": " << info.dataOrg->bands() << ", \"resolutions\": [";
    const std::vector<ZynResolution> resolutions = image.resolutions();
    for (size_t i = 0; i < resolutions.size(); ++i) {
        const ZynResolution& r = resolutions[i];
        const ZynOutputInfo level = image.outputInfo(r);
        out << (i ? ", " : "") << "{\"width\": " << r.width << ", \"height\": " << r.height
            << ", \"tile\": {\"width\": " << level.dataOrg->width()
            << ", \"height\": " << level.dataOrg->height()
            << "}, \"interleave\": " << jsonString(interleaveName(level.dataOrg->interleave()))
            << "}";
    }
    out << "]}\n";
    return 0;
}

bool isTiffName(const std::string& path) {
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos) return false;
    std::string ext = path.substr(dot + 1);
    for (char& ch : ext) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return ext == "tif" || ext == "tiff";
}

DisplayConversion conversionFor(const AnyImageArgs& args, const ZynColorSpace& space,
                                const StripReader& reader) {
    if (args.samples) return DisplayConversion::samples(space, reader.dataType(), reader.bands());
    const bool inverted =
        space.kind() == ZynColorKind::CMYK && jpegHasAdobeMarker(args.files.front());
    return DisplayConversion::picture(space, reader.dataType(), reader.bands(), inverted);
}

template <class Writer>
void renderTo(Writer& writer, StripReader& reader) {
    Progress progress;
    reader.run(
        StripReader::Consumer::Writes, [&](const ZynRectBuffer& strip) { writer.write(strip); },
        [&](double done) { progress.update(done); });
    writer.finish();
}

// The engine reads the thread count at every request, so setting it once covers them all.
void applyThreads(const AnyImageArgs& args) {
    if (args.threads) ZynSettings::get().threads = *args.threads;
}

}  // namespace

int runInfo(const AnyImageArgs& args, std::ostream& out) {
    int status = 0;
    for (const std::string& file : args.files) {
        ImageHandle image(file, args);
        if (args.json)
            status = std::max(status, printInfoJson(file, image, out));
        else
            printInfoText(file, image, out);
    }
    return status;
}

int runRender(const AnyImageArgs& args, std::ostream&) {
    applyThreads(args);
    ImageHandle image(args.files.front(), args);
    const ZynResolution resolution = image.resolution(args);
    StripReader reader(image, resolution, requestedRect(args, resolution), args);
    const ZynColorSpace& space = *image.output().colorSpace();
    const auto width = static_cast<uint32_t>(reader.rect().width);
    const auto height = static_cast<uint32_t>(reader.rect().height);
    if (isTiffName(args.output)) {
        TiffDumpWriter writer(args.output, width, height, reader.dataType(), reader.bands(), space);
        renderTo(writer, reader);
    } else {
        ImageWriter writer(args.output, width, height, conversionFor(args, space, reader));
        renderTo(writer, reader);
    }
    return 0;
}

int runStats(const AnyImageArgs& args, std::ostream& out) {
    applyThreads(args);
    ImageHandle image(args.files.front(), args);
    const ZynResolution resolution = image.resolution(args);
    StripReader reader(image, resolution, requestedRect(args, resolution), args);
    BandStatistics stats(reader.bands());
    reader.run(StripReader::Consumer::Computes,
               [&](const ZynRectBuffer& strip) { stats.add(strip); });
    out << std::fixed << std::setprecision(6);
    for (int b = 0; b < stats.bands(); ++b)
        out << "band " << b << ": min " << stats.minimum(b) << " max " << stats.maximum(b)
            << " mean " << stats.mean(b) << "\n";
    return 0;
}

int runMeta(const AnyImageArgs& args, std::ostream& out) {
    ImageHandle image(args.files.front(), args);
    image.output();
    if (!args.metaRegistry.empty()) image.loadMetaDataRegistry(args.metaRegistry);
    ComVariant value;
    image.metaData(args.key, &value);
    if (value.vt == VT_EMPTY) {
        out << args.key << ": not present\n";
        return 1;
    }
    out << args.key << ": ";
    printValue(out, value);
    if (const auto usage = image.metaDataUsage(args.key))
        out << "usage: " << VulMetaDataRegistry::usageText(static_cast<unsigned>(*usage)) << "\n";
    return 0;
}

int runRegistration(const AnyImageArgs& args, std::ostream& out) {
    const bool registering = args.command == "register";
    {
        std::optional<PerUserClasses> user;
        if (args.perUser) user.emplace();
        const HRESULT hr = registering ? DllRegisterServer() : DllUnregisterServer();
        if (FAILED(hr)) throw ControlError("The component could not be registered", hr);
    }
    out << (registering ? "Registered " : "Unregistered ") << "TevAnyFileSource.TevAnyFileSource"
        << (registering ? " in " : " from ") << comRegistryStorePath()
        << (args.perUser ? " for the current user" : "") << "\n";
    return 0;
}

int runFormats(std::ostream& out) {
    out << "Registered transforms (registry name, class):\n";
    for (const auto* entry : ZynTransformRegistry::entries())
        out << "  \"" << entry->registryName() << "\"  " << entry->className() << "\n";
    out << "Recognisers, in the order files are offered to them:\n";
    int n = 1;
    for (const auto& r : ZynRecognizerRegistration::recognizers())
        out << "  " << n++ << ". " << r.format << "\n";
    return 0;
}
