#pragma once

#include <optional>
#include <string>
#include <vector>

#include "ZynRect.h"
#include "ZynSimpleDataOrg.h"

// The command line of anyimage.
struct AnyImageArgs {
    std::string command;
    std::vector<std::string> files;
    std::string output;                 // -o
    std::string source;                 // --source: a registry name instead of recognition
    std::string describe;               // --describe: a description file for the source
    std::optional<int> level;           // --level: index into the resolution list
    std::optional<ZynResolution> size;  // --size WxH
    std::optional<ZynRect> rect;        // --rect X,Y,W,H
    ZynInterleave interleave = ZynInterleave::Pixel;  // --interleave pixel|line|band
    bool reverseBands = false;                        // --reverse-bands
    bool keepOpen = true;                             // --no-keep-open clears it
    std::string key;                                  // meta: the metadata key
    std::vector<std::string> operations;              // --op, in order
    std::optional<unsigned> threads;                  // --threads: else ZYN_THREADS or all cores
    std::string metaRegistry;                         // meta --registry: a registry file
    bool perUser = false;                             // register/unregister --user
    bool samples = false;                             // render --samples
    bool json = false;                                // info --json
    bool help = false;                                // --help, -h

    // Parses the program's arguments, its name first; throws std::invalid_argument with a message
    // for the user.
    static AnyImageArgs parse(const std::vector<std::string>& argv);
};

extern const char* const kAnyImageUsage;
