#pragma once

#include <string>

// Files the test binary's own recognisers take (after the component's):
// - a metadata file: a 5 x 4 one-band image whose sample (x, y) is 10 * y + x, answering the
//   metadata keys "Test.Text" ("h\xc3\xa9llo"), "Test.Int" (42), "Test.Big" (2^40),
//   "Test.Real" (2.5), "Test.Bytes" ({1, 2, 3}), "Test.Shorts" ({500, 65535}),
//   "Test.Reals" ({0.5, -1}), "Test.None" ({} of bytes);
// - a throwing file, whose recogniser throws an exception that is not a framework error.
void writeMetadataFile(const std::string& path);
void writeThrowingFile(const std::string& path);
