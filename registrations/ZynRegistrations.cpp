// Every transform kind and file recogniser the component registers when it is loaded. Static
// objects of one file are built in the order written and destroyed in reverse, so this table's
// order is the registration order, the recogniser order, and (reversed) the withdrawal order.

#include "ZynAnyImageSource.h"
#include "ZynPpmImageSource.h"
#include "ZynRecognizer.h"
#include "ZynTiffImageSource.h"
#include "ZynTransformRegistryEntry.h"

namespace {

using ZynTiffImageSourceRegistryEntry = ZynTransformRegistryEntryT<ZynTiffImageSource>;
using ZynPpmImageSourceRegistryEntry = ZynTransformRegistryEntryT<ZynPpmImageSource>;
using ZynAnyImageSourceRegistryEntry = ZynTransformRegistryEntryT<ZynAnyImageSource>;

ZynTiffImageSourceRegistryEntry tiffEntry("TiffSource", 0, 0);
ZynRecognizerRegistration tiffRecognizer({&ZynTiffImageSource::recognize, 0}, "TiffSource");

ZynPpmImageSourceRegistryEntry ppmEntry("PpmSource", 0, 0);
ZynRecognizerRegistration ppmRecognizer({&ZynPpmImageSource::recognize, 0}, "PpmSource");

ZynAnyImageSourceRegistryEntry anyImageEntry("Any Image Source", 0, 8);

}  // namespace
