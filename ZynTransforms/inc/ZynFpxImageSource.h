#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "ZynAttributeText.h"
#include "ZynTransformAggregate.h"

class ZynFpxImageSourceBasic;
class ZynFpxImageSourceBasicOp;
class ZynFpxViewOperation;

// A FlashPix image as its viewer shows it: the basic source's stored pixels, the alpha channel
// dropped, kept or isolated according to "alphaChannel", and the file's viewing parameters
// applied by an "Fpx View" operation. The file name and "keep_open" stand for the basic
// source's; the view operation's parameters ("FpxContrast", ...) are attributes of this one too.
class ZynFpxImageSource : public ZynTransformAggregate {
  public:
    enum Alpha { READAlphaOK = 0, READAlphaRequ = 1, IGNOREAlpha = 2, READAlphaOnly = 3 };

    ZynFpxImageSource();
    ZynFpxImageSource(const std::wstring& fileName, bool keepOpen);
    // A copy has inner transforms of its own, reading the same file; like any newly opened file,
    // its viewing parameters come from the file.
    ZynFpxImageSource(const ZynFpxImageSource& other);
    ~ZynFpxImageSource() override;

    // Takes files named ".fpx" or ".FPX", and others the toolkit finds valid.
    static ZynTransformPtr recognize(const std::wstring& fileName, FILE* file, bool keepOpen);

    ZynTransformPtr clone() const override;
    void setupTransform() override;
    // The basic source, the channel select when alpha handling uses it, and the view.
    std::vector<ZynTransform*> innerTransforms() const override;

    // The channel select in use, or null.
    ZynTransformPtr channelSelect() const;
    const std::shared_ptr<ZynFpxViewOperation>& viewOperation() const { return view_; }

  private:
    void build();
    void alias(const std::string& name, const ZynTransform& inner);
    void fail(const ZynError& error);
    // The chain's last transform before the view, or null after an alpha error.
    ZynTransformPtr alphaStage(const ZynFpxImageSourceBasicOp& op);
    ZynTransformPtr selectChannels(std::vector<int> bands, ZynColorSpacePtr colorSpace);
    void takeViewingParameters(const ZynFpxImageSourceBasicOp& op);

    std::shared_ptr<ZynFpxImageSourceBasic> basic_;
    ZynTransformPtr select_;  // created the first time alpha needs it
    bool selectInUse_ = false;
    std::shared_ptr<ZynFpxViewOperation> view_;
    // The op whose file the view's parameters came from.
    std::weak_ptr<const ZynFpxImageSourceBasicOp> parametersFrom_;
};

template <>
struct ZynAttributeText<ZynFpxImageSource::Alpha> {
    static std::string name() { return "ZynFpxImageSource::Alpha"; }
    static std::string toText(ZynFpxImageSource::Alpha v);
    // ZynError 414 "Unknown ZynFpxImageSource::Alpha" for any other name.
    static ZynFpxImageSource::Alpha fromText(const std::string& text);
};
