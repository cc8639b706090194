#include "ZynTransform.h"

#include <istream>
#include <ostream>

#include "QorString.h"
#include "ZynImageInputCP.h"
#include "ZynImageOutputCP.h"
#include "ZynTransformDescription.h"

ZynTransform::ZynTransform() = default;

// A copy has the same label, attribute values and connection points, none of them connected:
// it is set up afresh before it is used.
ZynTransform::ZynTransform(const ZynTransform& other)
    : enable_shared_from_this(), label_(other.label_), primaryOutput_(other.primaryOutput_) {
    for (const auto& a : other.attributes_) {
        if (a->isAlias()) continue;
        std::shared_ptr<ZynAttribute> copy = a->clone();
        copy->setOwner(this);
        attributes_.push_back(std::move(copy));
    }
    for (const auto& o : other.outputs_) addOutput(o->cloneDeclaration());
    for (const auto& i : other.inputs_) addInput(i->cloneDeclaration());
}

ZynTransform::~ZynTransform() = default;

std::string ZynTransform::typeName() const {
    return qorTypeName(typeid(*this));
}

std::string ZynTransform::describe() const {
    return label_ + "(" + typeName() + ")";
}

void ZynTransform::addAttribute(std::shared_ptr<ZynAttribute> attribute) {
    if (findAttribute(attribute->name()))
        throw ZynError(13,
                       "Attribute \"" + attribute->name() + "\" already exists on " + describe());
    if (!attribute->isAlias()) attribute->setOwner(this);
    attributes_.push_back(std::move(attribute));
}

ZynAttribute* ZynTransform::findAttribute(const std::string& name) const {
    for (const auto& a : attributes_)
        if (a->name() == name) return a.get();
    return nullptr;
}

std::shared_ptr<ZynAttribute> ZynTransform::attributePtr(const std::string& name) const {
    for (const auto& a : attributes_)
        if (a->name() == name) return a;
    throw ZynError(13, "No attribute \"" + name + "\" on " + describe());
}

ZynAttribute& ZynTransform::attribute(const std::string& name) const {
    return *attributePtr(name);
}

void ZynTransform::setAttributeText(const std::string& name, const std::string& text) {
    attribute(name).fromText(text);
}

void ZynTransform::attributeChanged(ZynAttribute&) {
    markForSetup();
}

ZynOutputCP& ZynTransform::output(int index) const {
    if (index < 0 || index >= numOutputs())
        throw ZynError(3,
                       "Output index " + std::to_string(index) + " out of range on " + describe());
    return *outputs_[static_cast<size_t>(index)];
}

int ZynTransform::outputIndex(const std::string& name) const {
    for (size_t i = 0; i < outputs_.size(); ++i)
        if (outputs_[i]->name() == name) return static_cast<int>(i);
    return -1;
}

ZynOutputCP& ZynTransform::output(const std::string& name) const {
    const int index = outputIndex(name);
    if (index < 0) throw ZynError(3, "No output \"" + name + "\" on " + describe());
    return *outputs_[static_cast<size_t>(index)];
}

ZynInputCP& ZynTransform::input(int index) const {
    if (index < 0 || index >= numInputs())
        throw ZynError(3,
                       "Input index " + std::to_string(index) + " out of range on " + describe());
    return *inputs_[static_cast<size_t>(index)];
}

ZynInputCP& ZynTransform::input(const std::string& name) const {
    for (const auto& i : inputs_)
        if (i->name() == name) return *i;
    throw ZynError(3, "No input \"" + name + "\" on " + describe());
}

int ZynTransform::addOutput(std::shared_ptr<ZynOutputCP> output) {
    const int index = numOutputs();
    output->attach(this, index);
    outputs_.push_back(std::move(output));
    return index;
}

int ZynTransform::addInput(std::shared_ptr<ZynInputCP> input) {
    input->attach(this);
    inputs_.push_back(std::move(input));
    return numInputs() - 1;
}

void ZynTransform::setPrimaryOutput(int index) {
    output(index);
    primaryOutput_ = index;
}

ZynImageOutputCP* ZynTransform::imageOutput(int index) const {
    if (index < 0 || index >= numOutputs()) return nullptr;
    return outputs_[static_cast<size_t>(index)]->target();
}

ZynImageInputCP* ZynTransform::imageInput(int index) const {
    if (index < 0 || index >= numInputs()) return nullptr;
    return inputs_[static_cast<size_t>(index)]->target();
}

void ZynTransform::setError(const ZynError& error) {
    error_ = error;
    status_ = false;
}

void ZynTransform::setupTransform() {
    setSetupDone();
}

void ZynTransform::setSetupDone() {
    status_ = true;
    error_ = ZynError();
}

void ZynTransform::changed(int outputIndex) {
    for (int i = 0; i < numOutputs(); ++i) {
        if (outputIndex >= 0 && i != outputIndex) continue;
        if (auto* image = dynamic_cast<ZynImageOutputCP*>(outputs_[static_cast<size_t>(i)].get()))
            image->invalidate();
    }
}

ZynImageOpPtr ZynTransform::opForResolution(int, const ZynResolution&) {
    throw ZynError(3, "Unsupported resolution");
}

ZynRect ZynTransform::inputRegion(int, const ZynRect& outputRect, const ZynResolution&) {
    return outputRect;
}

void ZynTransform::saveDescription(std::ostream& out) const {
    zynSaveAttributes(*this, out);
}

void ZynTransform::loadDescription(std::istream& in) {
    zynLoadAttributes(*this, in);
}

bool ZynTransform::readMetadata(const std::string& key, VulMetaValue& value) {
    std::vector<std::string> keys{key};
    filterMetadataKeys(keys);
    if (keys.empty()) return false;
    const ZynImageInputCP* in = imageInput(0);
    return in && in->isConnected() && in->upstreamTransform()->readMetadata(key, value);
}

std::vector<ZynTransform*> ZynTransform::upstreamTransforms() const {
    std::vector<ZynTransform*> found;
    for (int i = 0; i < numInputs(); ++i)
        if (ZynTransform* upstream = input(i).upstreamTransform()) found.push_back(upstream);
    for (ZynTransform* inner : innerTransforms()) found.push_back(inner);
    return found;
}
