#include "Commands.h"

#include <iomanip>
#include <ostream>
#include <variant>

#include "BandStatistics.h"
#include "ImageHandle.h"
#include "ImageWriter.h"
#include "Progress.h"
#include "StripReader.h"
#include "ZynRecognizer.h"
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

void printValue(std::ostream& out, const VulMetaValue& value) {
    std::visit(
        [&](const auto& v) {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, std::monostate>) {
                out << "(empty)";
            } else if constexpr (std::is_same_v<T, int64_t> || std::is_same_v<T, double> ||
                                 std::is_same_v<T, std::string>) {
                out << v;
            } else if constexpr (std::is_same_v<T, std::vector<uint8_t>>) {
                out << v.size() << " bytes";
            } else {
                for (size_t i = 0; i < v.size(); ++i) out << (i ? " " : "") << +v[i];
            }
        },
        value);
    out << "\n";
}

}  // namespace

int runInfo(const AnyImageArgs& args, std::ostream& out) {
    for (const std::string& file : args.files) {
        ImageHandle image(file, args);
        out << "File:        " << file << "\n";
        out << "Source:      " << image.sourceDescription() << "\n";
        ZynImageOutputCP& output = image.output();
        out << "Status:      OK\n";
        const ZynXyCoordSpace& space = *output.coordSpace();
        const ZynColorSpace& color = *output.colorSpace();
        const ZynResolution full = image.resolution({});
        out << "Size:        " << full.width << " x " << full.height << " pixels (extent "
            << space.width().toText() << " x " << space.height().toText() << ")\n";
        out << "Color space: " << color.name() << ", range " << color.minimum() << " to "
            << color.maximum() << "\n";
        const ZynOutputInfo info = image.outputInfo(full);
        out << "Data type:   " << zynDataTypeName(info.dataOrg->dataType()) << "\n";
        out << "Bands:       " << info.dataOrg->bands() << "\n";
        out << "Resolutions: " << space.resolutions().size() << "\n";
        for (size_t i = 0; i < space.resolutions().size(); ++i) {
            const ZynResolution& r = space.resolutions()[i];
            const ZynOutputInfo level = image.outputInfo(r);
            out << "  " << i << ": " << r.width << " x " << r.height << ", native tile "
                << level.dataOrg->width() << " x " << level.dataOrg->height() << " "
                << interleaveName(level.dataOrg->interleave()) << "\n";
        }
    }
    return 0;
}

int runRender(const AnyImageArgs& args, std::ostream& out) {
    ImageHandle image(args.files.front(), args);
    const ZynResolution resolution = image.resolution(args);
    StripReader reader(image, resolution, requestedRect(args, resolution), args);
    ImageWriter writer(args.output, static_cast<uint32_t>(reader.rect().width),
                       static_cast<uint32_t>(reader.rect().height), reader.dataType(),
                       reader.bands(), *image.output().colorSpace());
    Progress progress;
    reader.run([&](const ZynRectBuffer& strip) { writer.write(strip); },
               [&](double done) { progress.update(done); });
    writer.finish();
    return 0;
}

int runStats(const AnyImageArgs& args, std::ostream& out) {
    ImageHandle image(args.files.front(), args);
    const ZynResolution resolution = image.resolution(args);
    StripReader reader(image, resolution, requestedRect(args, resolution), args);
    BandStatistics stats(reader.bands());
    reader.run([&](const ZynRectBuffer& strip) { stats.add(strip); });
    out << std::fixed << std::setprecision(6);
    for (int b = 0; b < stats.bands(); ++b)
        out << "band " << b << ": min " << stats.minimum(b) << " max " << stats.maximum(b)
            << " mean " << stats.mean(b) << "\n";
    return 0;
}

int runMeta(const AnyImageArgs& args, std::ostream& out) {
    ImageHandle image(args.files.front(), args);
    image.output();
    VulMetaValue value;
    if (!image.transform().readMetadata(args.key, value)) {
        out << args.key << ": not present\n";
        return 1;
    }
    out << args.key << ": ";
    printValue(out, value);
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
