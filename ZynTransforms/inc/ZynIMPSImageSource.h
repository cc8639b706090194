#pragma once

#include <cstdio>
#include <memory>
#include <mutex>
#include <vector>

#include "ZynIMPSHeader.h"
#include "ZynRectFileSource.h"
#include "ZynSampleConverter.h"
#include "ZynSampleReader.h"

// Source of IMPS file sets: headerless sample files described by a text doc file. The doc
// file's text is kept in the string attribute "Documentation".
class ZynIMPSImageSource : public ZynRectFileSource<ZynIMPSImageSource> {
  public:
    using ZynRectFileSource::ZynRectFileSource;
    ZynIMPSImageSource() = default;
    // A copy reads the doc file afresh at its own setup.
    ZynIMPSImageSource(const ZynIMPSImageSource& other);
    ~ZynIMPSImageSource() override;

    static ZynTransformPtr recognize(const std::wstring& fileName, FILE* file, bool keepOpen);

    void setupTransform() override;

    bool rectInfo(ZynOutputInfo& info) override;
    bool canFill(const ZynRectBuffer& buffer) override;
    void genRect(ZynRectBuffer& buffer) override;
    ZynColorSpacePtr rectColorSpace() override { return colorSpace_; }
    // Each seek-and-read holds the set's lock; the rest runs concurrently.
    bool gainsFromConcurrentRequests() const override { return true; }
    bool wordsOutsideRequests() const override { return true; }

    const ZynIMPSHeader& header() const { return header_; }

  protected:
    void closeFiles() override;
    void forgetFile() override { header_ = ZynIMPSHeader(); }

  private:
    struct Closer {
        void operator()(FILE* f) const { std::fclose(f); }
    };
    using File = std::unique_ptr<FILE, Closer>;

    bool checkFile();
    // Opens every band file under the caller's lock; returns the names of those that do not
    // open, each with a line feed ("" when all did).
    std::string openBandFiles();
    void keepDocumentation();
    bool linesFitFiles();
    void describeOutput();
    ZynSampleReader reader() const;
    std::string quotedName() const;

    ZynIMPSHeader header_;
    std::vector<File> files_;
    mutable std::mutex lock_;
    ZynBufferConverter converter_ = nullptr;
    ZynColorSpacePtr colorSpace_;
    ZynDataOrgPtr dataOrg_;
};
