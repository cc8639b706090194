#pragma once

#include <atomic>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "VulMetaValue.h"
#include "ZynAttribute.h"
#include "ZynError.h"
#include "ZynOp.h"
#include "ZynRect.h"

class ZynOutputCP;
class ZynInputCP;
class ZynImageOutputCP;
class ZynImageInputCP;
class ZynTransform;

using ZynTransformPtr = std::shared_ptr<ZynTransform>;

// A node of the graph: a label, attributes, connection points, a status and a recorded error.
// A transform whose attributes changed is set up again before its output is next used.
// Framework bases derive from it virtually, so a class that writes its own copy constructor must
// initialise ZynTransform(other) itself.
class ZynTransform : public std::enable_shared_from_this<ZynTransform> {
  public:
    ZynTransform();
    ZynTransform(const ZynTransform& other);
    ZynTransform& operator=(const ZynTransform&) = delete;
    virtual ~ZynTransform();

    virtual ZynTransformPtr clone() const = 0;
    // Readable class name of the dynamic type.
    std::string typeName() const;

    const std::string& label() const { return label_; }
    void setLabel(const std::string& label) { label_ = label; }
    // "<label>(<type name>)", as messages name a transform.
    std::string describe() const;

    // Attributes.
    void addAttribute(std::shared_ptr<ZynAttribute> attribute);
    template <class T>
    ZynSimpleAttribute<T>& addSimpleAttribute(const std::string& name, T value);
    bool hasAttribute(const std::string& name) const { return findAttribute(name) != nullptr; }
    ZynAttribute* findAttribute(const std::string& name) const;
    // Throws ZynError 13 when there is none of that name.
    ZynAttribute& attribute(const std::string& name) const;
    std::shared_ptr<ZynAttribute> attributePtr(const std::string& name) const;
    const std::vector<std::shared_ptr<ZynAttribute>>& attributes() const { return attributes_; }
    // Typed access; a value of another type is ZynError 13, a read-only attribute ZynError 21.
    template <class T>
    const T& getAttribute(const std::string& name) const;
    template <class T>
    void setAttribute(const std::string& name, const T& value);
    void setAttributeText(const std::string& name, const std::string& text);
    // Change handling: by default the transform is marked for a fresh setup.
    virtual void attributeChanged(ZynAttribute& attribute);

    // Connection points.
    int numOutputs() const { return static_cast<int>(outputs_.size()); }
    int numInputs() const { return static_cast<int>(inputs_.size()); }
    ZynOutputCP& output(int index) const;
    ZynOutputCP& output(const std::string& name) const;
    int outputIndex(const std::string& name) const;
    ZynInputCP& input(int index) const;
    ZynInputCP& input(const std::string& name) const;
    int addOutput(std::shared_ptr<ZynOutputCP> output);
    int addInput(std::shared_ptr<ZynInputCP> input);
    void setPrimaryOutput(int index);
    int primaryOutputIndex() const { return primaryOutput_; }
    ZynOutputCP& primaryOutput() const { return output(primaryOutput_); }
    // The image output behind output `index` (through aliases), or null.
    ZynImageOutputCP* imageOutput(int index) const;
    // The image input behind input `index` (through aliases), or null.
    ZynImageInputCP* imageInput(int index) const;

    // Status.
    bool status() const { return status_; }
    void setStatus(bool ok) { status_ = ok; }
    ZynError error() const { return error_; }
    // Records the error; the status becomes false.
    void setError(const ZynError& error);

    // Setup.
    virtual void setupTransform();
    void markForSetup() { needsSetup_ = true; }
    bool needsSetup() const { return needsSetup_; }
    // Marks the setup as done (status true).
    void setSetupDone();
    // Tells outputs their descriptions changed: cached ops and tiles go (index -1: all outputs).
    void changed(int outputIndex = -1);

    // The op that renders `outputIndex` at `resolution`. The default refuses every resolution.
    virtual ZynImageOpPtr opForResolution(int outputIndex, const ZynResolution& resolution);
    // The region of input `inputIndex` that an output rectangle needs.
    virtual ZynRect inputRegion(int inputIndex, const ZynRect& outputRect,
                                const ZynResolution& resolution);
    // Runs after every rendering pass over the graph.
    virtual void postRender() {}

    // Text description: the label line, one line per attribute, and the closing "}".
    virtual void saveDescription(std::ostream& out) const;
    virtual void loadDescription(std::istream& in);

    // Metadata slot: the value of `key` for this transform's image. The default asks the
    // transform feeding input 0, when the key passes this transform's pass-through list.
    virtual bool readMetadata(const std::string& key, VulMetaValue& value);
    // Removes the keys that must not pass this transform.
    virtual void filterMetadataKeys(std::vector<std::string>& keys) const {}

    // Transforms inside this one (an aggregate's), set up after it.
    virtual std::vector<ZynTransform*> innerTransforms() const { return {}; }
    // Transforms this one renders from: those feeding its inputs, then its inner transforms.
    std::vector<ZynTransform*> upstreamTransforms() const;

  private:
    friend class ZynGraphAccess;

    std::string label_;
    std::vector<std::shared_ptr<ZynAttribute>> attributes_;
    std::vector<std::shared_ptr<ZynOutputCP>> outputs_;
    std::vector<std::shared_ptr<ZynInputCP>> inputs_;
    int primaryOutput_ = 0;
    bool status_ = false;
    ZynError error_;
    std::atomic<bool> needsSetup_{true};
    // Setup bookkeeping used by the engine.
    uint64_t setupGeneration_ = 0;
    std::vector<uint64_t> upstreamGenerations_;
    bool settingUp_ = false;
    int activePasses_ = 0;
    bool postRendering_ = false;
};

template <class T>
ZynSimpleAttribute<T>& ZynTransform::addSimpleAttribute(const std::string& name, T value) {
    auto attribute = std::make_shared<ZynSimpleAttribute<T>>(name, std::move(value));
    addAttribute(attribute);
    return *attribute;
}

template <class T>
const T& ZynTransform::getAttribute(const std::string& name) const {
    auto* typed = dynamic_cast<ZynSimpleAttribute<T>*>(&attribute(name).target());
    if (!typed)
        throw ZynError(13,
                       "Attribute \"" + name + "\" is not of type " + ZynAttributeText<T>::name());
    return typed->get();
}

template <class T>
void ZynTransform::setAttribute(const std::string& name, const T& value) {
    ZynAttribute& entry = attribute(name);
    auto* typed = dynamic_cast<ZynSimpleAttribute<T>*>(&entry.target());
    if (!typed)
        throw ZynError(13,
                       "Attribute \"" + name + "\" is not of type " + ZynAttributeText<T>::name());
    if (entry.readOnly()) throw ZynError(21, name);
    typed->set(value);
    if (&entry != typed) entry.notifyChanged();
}
