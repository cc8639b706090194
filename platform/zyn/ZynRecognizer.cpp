#include "ZynRecognizer.h"

#include <algorithm>
#include <memory>
#include <mutex>

#include "QorStream.h"
#include "QorSystem.h"

namespace {

struct RecognizerList {
    std::mutex mutex;
    std::vector<ZynRecognizerRegistration::Entry> recognizers;
};

RecognizerList& list() {
    static RecognizerList l;
    return l;
}

}  // namespace

ZynRecognizerRegistration::ZynRecognizerRegistration(const ZynRecognizer& recognizer,
                                                     std::string format)
    : recognizer_(recognizer) {
    std::lock_guard lock(list().mutex);
    list().recognizers.push_back({recognizer, std::move(format)});
}

ZynRecognizerRegistration::~ZynRecognizerRegistration() {
    std::lock_guard lock(list().mutex);
    auto& all = list().recognizers;
    const auto found = std::find_if(all.begin(), all.end(), [&](const Entry& e) {
        return e.recognizer.function == recognizer_.function;
    });
    if (found != all.end()) all.erase(found);
}

std::vector<ZynRecognizerRegistration::Entry> ZynRecognizerRegistration::recognizers() {
    std::lock_guard lock(list().mutex);
    return list().recognizers;
}

ZynTransformPtr zynOpenByRecognition(const std::wstring& fileName, bool keepOpen) {
    const std::string path = qorLocalPath(fileName);
    std::unique_ptr<FILE, int (*)(FILE*)> file(path.empty() ? nullptr : qorOpenFile(path, "rb"),
                                               &std::fclose);
    for (const auto& entry : ZynRecognizerRegistration::recognizers()) {
        if (file) std::rewind(file.get());
        if (ZynTransformPtr source = entry.recognizer.function(fileName, file.get(), keepOpen))
            return source;
    }
    return nullptr;
}
