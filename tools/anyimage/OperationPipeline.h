#pragma once

#include <string>
#include <utility>
#include <vector>

#include "ZynTransform.h"

// The operations --op appends to an image: each "Name:attr=value;attr=value" creates the
// transform registered as Name, sets its attributes from their text form, in the order given,
// and feeds its first input from the previous transform's primary output.
class OperationPipeline {
  public:
    struct Step {
        std::string name;
        std::vector<std::pair<std::string, std::string>> attributes;

        // Attribute values may hold ";" inside brackets (matrix rows); only ";" outside any
        // bracket separates attributes. Throws std::invalid_argument on a malformed step.
        static Step parse(const std::string& text);
    };

    OperationPipeline(const ZynTransformPtr& source, const std::vector<std::string>& steps);

    // The transform the image is read from: the last operation, or the source without any.
    const ZynTransformPtr& last() const { return last_; }

  private:
    ZynTransformPtr last_;
};
