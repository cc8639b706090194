#include "OperationPipeline.h"

#include <stdexcept>

#include "ZynImageInputCP.h"
#include "ZynTransformRegistryEntry.h"

namespace {

std::vector<std::string> splitOutsideBrackets(const std::string& text, char separator) {
    std::vector<std::string> parts(1);
    int depth = 0;
    for (char c : text) {
        if (c == '[') ++depth;
        if (c == ']' && depth > 0) --depth;
        if (c == separator && depth == 0)
            parts.emplace_back();
        else
            parts.back() += c;
    }
    return parts;
}

}  // namespace

OperationPipeline::Step OperationPipeline::Step::parse(const std::string& text) {
    Step step;
    const size_t colon = text.find(':');
    step.name = text.substr(0, colon);
    if (step.name.empty())
        throw std::invalid_argument("--op needs a registry name: \"" + text + "\"");
    if (colon == std::string::npos) return step;
    for (const std::string& item : splitOutsideBrackets(text.substr(colon + 1), ';')) {
        if (item.empty()) continue;
        const size_t equals = item.find('=');
        if (equals == std::string::npos || equals == 0)
            throw std::invalid_argument("--op " + step.name + " wants attr=value, not \"" + item +
                                        "\"");
        step.attributes.emplace_back(item.substr(0, equals), item.substr(equals + 1));
    }
    return step;
}

OperationPipeline::OperationPipeline(const ZynTransformPtr& source,
                                     const std::vector<std::string>& steps)
    : last_(source) {
    for (const std::string& text : steps) {
        const Step step = Step::parse(text);
        ZynTransformPtr operation = ZynTransformRegistry::create(step.name);
        for (const auto& [name, value] : step.attributes) operation->setAttributeText(name, value);
        ZynImageInputCP* in = operation->imageInput(0);
        if (!in) throw std::invalid_argument(step.name + " has no image input");
        in->connect(last_, last_->primaryOutputIndex());
        last_ = operation;
    }
}
