#include "ZynJpegImageSourceOp.h"

#include "QorSettings.h"
#include "ZynJpegIJLImageSourceOp.h"
#include "ZynJpegStreamImageSourceOp.h"

namespace {

std::unique_ptr<ZynJpegFileSourceOp> implementationFor(const std::wstring& fileName,
                                                       bool keepOpen) {
    if (QorSettings::get().alternativeJpeg)
        return std::make_unique<ZynJpegIJLImageSourceOp>(fileName, keepOpen);
    return std::make_unique<ZynJpegStreamImageSourceOp>(fileName, keepOpen);
}

}  // namespace

ZynJpegImageSourceOp::ZynJpegImageSourceOp(const std::wstring& fileName, bool keepOpen)
    : ZynFile(fileName, keepOpen), impl_(implementationFor(fileName, keepOpen)) {
    if (openImplementation() && !keepOpen) impl_->close();
}

ZynJpegImageSourceOp::ZynJpegImageSourceOp(Key, std::unique_ptr<ZynJpegFileSourceOp> implementation,
                                           bool keepOpen)
    : ZynFile(implementation->fileName(), keepOpen), impl_(std::move(implementation)) {
    openImplementation();
}

std::shared_ptr<ZynJpegImageSourceOp> ZynJpegImageSourceOp::forResolution(int16_t index) const {
    auto op = std::make_shared<ZynJpegImageSourceOp>(Key{}, impl_->cloneFileOp(), keepOpen());
    op->selectResolution(index);
    return op;
}

bool ZynJpegImageSourceOp::openImplementation() {
    if (!impl_->open()) {
        recordError(impl_->error());
        return false;
    }
    clearResolutions();
    for (const ZynResolution& r : impl_->resolutions()) addResolution(r.width, r.height);
    setImageSize(impl_->imageWidth(), impl_->imageHeight());
    selectResolution(impl_->selectedResolution());
    setValid(true);
    setOpen(true);
    return true;
}

ZynJpegFileSourceOp& ZynJpegImageSourceOp::selected() {
    impl_->useResolution(selectedResolution());
    return *impl_;
}

bool ZynJpegImageSourceOp::outputInfo(ZynOutputInfo& info) {
    if (!valid()) return false;
    return selected().outputInfoBase(info);
}

bool ZynJpegImageSourceOp::canFill(const ZynRectBuffer& buffer) {
    return valid() && selected().canFill(buffer);
}

void ZynJpegImageSourceOp::genRect(ZynRectBuffer& buffer) {
    if (!valid()) throw error();
    selected().genRect(buffer);
}

ZynColorSpacePtr ZynJpegImageSourceOp::getColorSpace() {
    return valid() ? selected().getColorSpace() : nullptr;
}

void ZynJpegImageSourceOp::setColorSpaceName(const std::string& name) {
    impl_->setColorSpaceName(name);
}

void ZynJpegImageSourceOp::setDctMethod(ZynDCTMethod::dctMethod method) {
    impl_->setDctMethod(method);
}

bool ZynJpegImageSourceOp::quantTable(int component, std::vector<uint16_t>& table) {
    return impl_->quantTable(component, table);
}

bool ZynJpegImageSourceOp::iccProfile(std::vector<uint8_t>& profile) {
    return impl_->iccProfile(profile);
}

bool ZynJpegImageSourceOp::displayResolution(uint16_t& x, uint16_t& y, uint8_t& unit) {
    return impl_->displayResolution(x, y, unit);
}

void ZynJpegImageSourceOp::close() {
    impl_->close();
    setOpen(false);
}

bool ZynJpegImageSourceOp::open() {
    return openImplementation();
}
