#pragma once

#include <iosfwd>
#include <string>

class ZynTransform;

// The text description of a transform, written after an opening "{":
//   label = "<label>"
//   \t<name> = <value> ;      (one line per attribute)
//   }
void zynSaveAttributes(const ZynTransform& transform, std::ostream& out);
// Reads a description written by zynSaveAttributes: skips to the first '{', then sets each
// named attribute from its text until "}". A name no attribute has ends the reading at the next
// "}". Values are given to the attributes in the order they appear.
void zynLoadAttributes(ZynTransform& transform, std::istream& in);

// Writes "{" and the transform's own description.
void zynSaveTransform(const ZynTransform& transform, std::ostream& out);

// Writes every transform of the graph that feeds `root` (root first) with its description,
// status and outputs, to the named file. Throws ZynError 130 when the file cannot be written.
void zynDumpGraph(ZynTransform& root, const std::string& path);
