#include "ZynAttribute.h"

#include "ZynTransform.h"

void ZynAttribute::notifyChanged() {
    onChanged();
    if (owner_) owner_->attributeChanged(*this);
}

void ZynAttributeAlias::fromText(const std::string& text) {
    if (readOnly()) throw ZynError(21, name());
    target().fromText(text);
    notifyChanged();
}

std::unique_ptr<ZynAttribute> ZynAttributeAlias::clone() const {
    return std::make_unique<ZynAttributeAlias>(name(), target_);
}
