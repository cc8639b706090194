#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "ZynTransform.h"

// A recogniser looks at an open file and returns a new source for it, or null.
using ZynRecognizerFunction = ZynTransformPtr (*)(const std::wstring& fileName, FILE* file,
                                                  bool keepOpen);

struct ZynRecognizer {
    ZynRecognizerFunction function;
    int reserved;
};

// Registers a recogniser for its lifetime; recognisers are offered files in registration order.
// `format` names the registry entry of the sources it builds, for listings.
class ZynRecognizerRegistration {
  public:
    ZynRecognizerRegistration(const ZynRecognizer& recognizer, std::string format);
    ZynRecognizerRegistration(const ZynRecognizerRegistration&) = delete;
    ZynRecognizerRegistration& operator=(const ZynRecognizerRegistration&) = delete;
    ~ZynRecognizerRegistration();

    struct Entry {
        ZynRecognizer recognizer;
        std::string format;
    };
    static std::vector<Entry> recognizers();

  private:
    ZynRecognizer recognizer_;
};

// Offers the file to each recogniser in turn and returns the first source one builds, or null.
// The recognisers get the file open for reading (null when it cannot be opened).
ZynTransformPtr zynOpenByRecognition(const std::wstring& fileName, bool keepOpen);
