#include "AnyImageArgs.h"

#include <cstdio>
#include <stdexcept>

const char* const kAnyImageUsage =
    "usage: anyimage info FILE... [--json] [--source NAME [--describe DESC]]\n"
    "       anyimage render FILE -o OUT.png|.ppm|.pgm|.tif [--samples] [--level N | --size WxH]\n"
    "                       [--rect X,Y,W,H] [--interleave pixel|line|band] [--reverse-bands]\n"
    "                       [--source NAME] [--no-keep-open] [--op 'NAME:attr=value;...']...\n"
    "                       [--threads N]\n"
    "       anyimage stats FILE [--level N | --size WxH] [--rect X,Y,W,H] [--source NAME]\n"
    "                       [--op 'NAME:attr=value;...']... [--threads N]\n"
    "       anyimage meta FILE KEY [--registry REGISTRY_FILE] [--source NAME]\n"
    "       anyimage formats\n"
    "       anyimage register|unregister [--user]\n"
    "       anyimage [COMMAND] --help\n"
    "render writes a picture to PNG, PPM and PGM (grey or RGB, with alpha, samples scaled from\n"
    "the colour space's range to 8 or 16 bits), the samples as delivered with --samples, and\n"
    "the samples exactly, of any type and band count, to TIFF.\n";

namespace {

std::string value(const std::vector<std::string>& argv, size_t& i) {
    if (i + 1 >= argv.size()) throw std::invalid_argument(argv[i] + " needs a value");
    return argv[++i];
}

ZynResolution parseSize(const std::string& text) {
    unsigned w = 0, h = 0;
    char end = 0;
    if (std::sscanf(text.c_str(), "%ux%u%c", &w, &h, &end) != 2 || w == 0 || h == 0)
        throw std::invalid_argument("--size wants WxH, not \"" + text + "\"");
    return {w, h};
}

ZynRect parseRect(const std::string& text) {
    long long x, y, w, h;
    char end = 0;
    if (std::sscanf(text.c_str(), "%lld,%lld,%lld,%lld%c", &x, &y, &w, &h, &end) != 4 || w <= 0 ||
        h <= 0)
        throw std::invalid_argument("--rect wants X,Y,W,H with positive W and H, not \"" + text +
                                    "\"");
    return {x, y, w, h};
}

ZynInterleave parseInterleave(const std::string& text) {
    if (text == "pixel") return ZynInterleave::Pixel;
    if (text == "line") return ZynInterleave::Line;
    if (text == "band") return ZynInterleave::Band;
    throw std::invalid_argument("--interleave wants pixel, line or band, not \"" + text + "\"");
}

int parseLevel(const std::string& text) {
    int level = -1;
    char end = 0;
    if (std::sscanf(text.c_str(), "%d%c", &level, &end) != 1 || level < 0)
        throw std::invalid_argument("--level wants a resolution index, not \"" + text + "\"");
    return level;
}

unsigned parseThreads(const std::string& text) {
    int threads = 0;
    char end = 0;
    if (std::sscanf(text.c_str(), "%d%c", &threads, &end) != 1 || threads < 1)
        throw std::invalid_argument("--threads wants a positive number, not \"" + text + "\"");
    return static_cast<unsigned>(threads);
}

}  // namespace

AnyImageArgs AnyImageArgs::parse(const std::vector<std::string>& argv) {
    AnyImageArgs args;
    for (size_t i = 1; i < argv.size(); ++i)
        if (argv[i] == "--help" || argv[i] == "-h") args.help = true;
    if (args.help) return args;
    if (argv.size() < 2) throw std::invalid_argument("no command given");
    args.command = argv[1];
    std::vector<std::string> positional;
    for (size_t i = 2; i < argv.size(); ++i) {
        const std::string a = argv[i];
        if (a == "-o")
            args.output = value(argv, i);
        else if (a == "--source")
            args.source = value(argv, i);
        else if (a == "--describe")
            args.describe = value(argv, i);
        else if (a == "--level")
            args.level = parseLevel(value(argv, i));
        else if (a == "--size")
            args.size = parseSize(value(argv, i));
        else if (a == "--rect")
            args.rect = parseRect(value(argv, i));
        else if (a == "--interleave")
            args.interleave = parseInterleave(value(argv, i));
        else if (a == "--reverse-bands")
            args.reverseBands = true;
        else if (a == "--no-keep-open")
            args.keepOpen = false;
        else if (a == "--op")
            args.operations.push_back(value(argv, i));
        else if (a == "--threads")
            args.threads = parseThreads(value(argv, i));
        else if (a == "--registry")
            args.metaRegistry = value(argv, i);
        else if (a == "--user")
            args.perUser = true;
        else if (a == "--samples")
            args.samples = true;
        else if (a == "--json")
            args.json = true;
        else if (a.size() > 1 && a[0] == '-')
            throw std::invalid_argument("unknown option " + a);
        else
            positional.push_back(a);
    }
    if (args.level && args.size) throw std::invalid_argument("give --level or --size, not both");
    if (args.command == "meta") {
        if (positional.size() != 2) throw std::invalid_argument("meta wants FILE KEY");
        args.key = positional[1];
        positional.pop_back();
    }
    args.files = positional;
    const bool needsFile =
        args.command != "formats" && args.command != "register" && args.command != "unregister";
    if (needsFile && args.files.empty())
        throw std::invalid_argument(args.command + " needs a file");
    if (args.command == "render" && args.output.empty())
        throw std::invalid_argument("render needs -o OUT");
    if (!args.operations.empty() && args.command != "render" && args.command != "stats")
        throw std::invalid_argument("--op applies to render and stats");
    if (args.threads && args.command != "render" && args.command != "stats")
        throw std::invalid_argument("--threads applies to render and stats");
    return args;
}
