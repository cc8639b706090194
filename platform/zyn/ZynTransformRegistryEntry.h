#pragma once

#include <string>
#include <vector>

#include "QorString.h"
#include "ZynTransform.h"

// One registered kind of transform. Constructing an entry registers it; destroying it withdraws
// it. The two integer properties are reported as given; the framework attaches no meaning.
class ZynTransformRegistryEntry {
  public:
    ZynTransformRegistryEntry(std::string className, std::string registryName);
    ZynTransformRegistryEntry(const ZynTransformRegistryEntry&) = delete;
    ZynTransformRegistryEntry& operator=(const ZynTransformRegistryEntry&) = delete;
    virtual ~ZynTransformRegistryEntry();

    virtual ZynTransformPtr create() const = 0;
    const std::string& className() const { return className_; }
    const std::string& registryName() const { return registryName_; }
    virtual int firstProperty() const { return 0; }
    virtual int secondProperty() const { return 0; }

  private:
    std::string className_;
    std::string registryName_;
};

// The entry of transform class T, created with T's default constructor.
template <class T>
class ZynTransformRegistryEntryT : public ZynTransformRegistryEntry {
  public:
    ZynTransformRegistryEntryT(std::string registryName, int first = 0, int second = 0)
        : ZynTransformRegistryEntry(qorTypeName(typeid(T)), std::move(registryName)),
          first_(first),
          second_(second) {}

    ZynTransformPtr create() const override { return std::make_shared<T>(); }
    int firstProperty() const override { return first_; }
    int secondProperty() const override { return second_; }

  private:
    int first_;
    int second_;
};

class ZynTransformRegistry {
  public:
    // A new transform of the kind registered under `registryName`; ZynError 153 when none is.
    static ZynTransformPtr create(const std::string& registryName);
    static const ZynTransformRegistryEntry* find(const std::string& registryName);
    // Entries in registration order.
    static std::vector<const ZynTransformRegistryEntry*> entries();
};
