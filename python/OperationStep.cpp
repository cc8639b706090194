#include "OperationStep.h"

#include <stdexcept>

#include "ZynImageInputCP.h"
#include "ZynTransformRegistryEntry.h"

namespace {

std::vector<std::string> attributeItems(const std::string& text) {
    std::vector<std::string> items(1);
    int depth = 0;
    for (char c : text) {
        if (c == '[') ++depth;
        if (c == ']' && depth > 0) --depth;
        if (c == ';' && depth == 0)
            items.emplace_back();
        else
            items.back() += c;
    }
    return items;
}

}  // namespace

OperationStep OperationStep::parse(const std::string& text) {
    OperationStep step;
    const size_t colon = text.find(':');
    step.name = text.substr(0, colon);
    if (step.name.empty())
        throw std::invalid_argument("an operation needs a registry name: \"" + text + "\"");
    if (colon == std::string::npos) return step;
    for (const std::string& item : attributeItems(text.substr(colon + 1))) {
        if (item.empty()) continue;
        const size_t equals = item.find('=');
        if (equals == std::string::npos || equals == 0)
            throw std::invalid_argument(step.name + " wants attr=value, not \"" + item + "\"");
        step.attributes.emplace_back(item.substr(0, equals), item.substr(equals + 1));
    }
    return step;
}

ZynTransformPtr OperationStep::appendTo(const ZynTransformPtr& input) const {
    ZynTransformPtr operation = ZynTransformRegistry::create(name);
    for (const auto& [attribute, value] : attributes) operation->setAttributeText(attribute, value);
    ZynImageInputCP* in = operation->imageInput(0);
    if (!in) throw std::invalid_argument(name + " has no image input");
    in->connect(input, input->primaryOutputIndex());
    return operation;
}
