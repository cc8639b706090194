#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ComPlatform.h"
#include "ReaderPool.h"
#include "ZynColorSpace.h"
#include "ZynOutputInfo.h"
#include "ZynRectBuffer.h"
#include "ZynTransform.h"

// An image file as the Python module holds it: a source built by recognition (the any-image
// source) or created by registry name, and the operations appended to it. Pixels are read from
// the last operation, or from the source without any. Failures throw the framework's errors.
// Only reads may run on several threads at once; everything else runs under the caller's lock.
class PythonImage {
  public:
    struct Opening {
        std::string file;
        // A registry name; empty: recognition.
        std::string source;
        // A text description for the source (the layout of headerless samples), or empty.
        std::string description;
        bool keepOpen = true;
        // Values in their text form; with recognition, those the any-image source lacks go to
        // the format source it recognised.
        std::map<std::string, std::string> attributes;
    };

    explicit PythonImage(const Opening& opening);

    // The registry name of the format source.
    std::string sourceName() const;
    bool statusOK() const;
    ZynColorSpacePtr colorSpace();
    // The resolutions of what pixels are read from, and the one a read without a choice gets.
    std::vector<ZynResolution> resolutions();
    ZynResolution defaultResolution();
    ZynResolution resolutionAt(int level);
    // Throws ZynError 3 when the size is not one of the resolutions.
    ZynResolution checkedResolution(const ZynResolution& size);
    ZynOutputInfo outputInfo(const ZynResolution& resolution);

    // The value of a metadata key; VT_EMPTY when the image has none.
    void metaData(const std::string& key, VARIANT* value) const;

    // Appends "Name:attr=value;..." operations; throws std::invalid_argument on a malformed one.
    void append(const std::vector<std::string>& steps);

    // The graphs reads borrow; they outlive the image while a read holds one.
    const std::shared_ptr<ReaderPool>& readers() const { return readers_; }
    // Renders `buffer`'s rectangle of the graph's last transform in strips of whole native tile
    // rows.
    static void render(const ZynTransformPtr& graph, const ZynResolution& resolution,
                       const ZynRectBuffer& buffer);

  private:
    static ZynTransformPtr openSource(const Opening& opening);
    static ZynTransformPtr appendSteps(ZynTransformPtr last, const std::vector<std::string>& steps);
    // Opens the file again with the operations appended so far.
    ReaderPool::Opener opener() const;
    class ZynImageOutputCP& output();
    // The any-image source when the file was opened by recognition, else null.
    class ZynAnyImageSource* any() const;

    Opening opening_;
    std::vector<std::string> steps_;
    ZynTransformPtr source_;
    ZynTransformPtr last_;
    std::shared_ptr<ReaderPool> readers_;
};
