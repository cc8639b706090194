#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "ComAutomation.h"
#include "ZynColorSpace.h"
#include "ZynOutputInfo.h"
#include "ZynRectBuffer.h"
#include "ZynTransform.h"

// An image file as the Python module holds it: a source built by recognition (the any-image
// source) or created by registry name, and the operations appended to it. Pixels are read from
// the last operation, or from the source without any. Failures throw the framework's errors.
class PythonImage {
  public:
    // `source` empty: recognition. `description`: a text description for the source (the
    // layout of headerless samples). Attribute values are in their text form; with recognition,
    // those the any-image source lacks go to the format source it recognised.
    PythonImage(const std::string& file, const std::string& source, const std::string& description,
                bool keepOpen, const std::map<std::string, std::string>& attributes);

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

    // Renders `buffer`'s rectangle in strips of whole native tile rows. Safe from several
    // threads at once; `image` is the transform read() sampled, kept alive by the caller.
    static void render(const ZynTransformPtr& image, const ZynResolution& resolution,
                       const ZynRectBuffer& buffer);
    ZynTransformPtr image() const;

  private:
    class ZynImageOutputCP& output();
    // The any-image source when the file was opened by recognition, else null.
    class ZynAnyImageSource* any() const;

    ZynTransformPtr source_;
    mutable std::mutex mutex_;  // guards last_ against a pipeline appended while reads start
    ZynTransformPtr last_;
};
