#include "ZynFilenameAttribute.h"

#include "QorString.h"

namespace {

// One of the two name attributes: a change copies the value into its twin quietly, then tells
// the owner the file name changed.
template <class T, class Twin>
class NameAttribute : public ZynSimpleAttribute<T> {
  public:
    NameAttribute(std::string name, std::string twin, T value)
        : ZynSimpleAttribute<T>(std::move(name), std::move(value)), twin_(std::move(twin)) {}

    std::unique_ptr<ZynAttribute> clone() const override {
        return std::make_unique<NameAttribute>(this->name(), twin_, this->get());
    }

  protected:
    void onChanged() override {
        ZynTransform* owner = this->owner();
        if (!owner) return;
        if (auto* twin = dynamic_cast<ZynSimpleAttribute<Twin>*>(owner->findAttribute(twin_)))
            twin->assignQuietly(convert(this->get()));
        if (auto* files = dynamic_cast<ZynFilenameAttribute*>(owner)) files->fileNameChanged();
    }

  private:
    static std::wstring convert(const std::string& name) { return qorWiden(name); }
    static std::string convert(const std::wstring& name) { return qorNarrow(name); }

    std::string twin_;
};

}  // namespace

ZynFilenameAttribute::ZynFilenameAttribute() {
    addAttribute(std::make_shared<NameAttribute<std::string, std::wstring>>(
        "file_name", "wfile_name", std::string()));
    addAttribute(std::make_shared<NameAttribute<std::wstring, std::string>>(
        "wfile_name", "file_name", std::wstring()));
}
