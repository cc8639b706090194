// Every transform kind and file recogniser the component registers when it is loaded. Static
// objects of one file are built in the order written and destroyed in reverse, so this table's
// order is the registration order, the recogniser order, and (reversed) the withdrawal order.

#include "ZynAnyImageSource.h"
#include "ZynPNGImageSource.h"
#include "ZynPpmImageSource.h"
#include "ZynRecognizer.h"
#include "ZynTransformRegistryEntry.h"

namespace {

using ZynPpmImageSourceRegistryEntry = ZynTransformRegistryEntryT<ZynPpmImageSource>;
using ZynPNGImageSourceRegistryEntry = ZynTransformRegistryEntryT<ZynPNGImageSource>;
using ZynAnyImageSourceRegistryEntry = ZynTransformRegistryEntryT<ZynAnyImageSource>;

ZynPpmImageSourceRegistryEntry ppmEntry("PpmSource", 0, 0);
ZynRecognizerRegistration ppmRecognizer({&ZynPpmImageSource::recognize, 0}, "PpmSource");

ZynPNGImageSourceRegistryEntry pngEntry("PNGSource", 0, 0);
ZynRecognizerRegistration pngRecognizer({&ZynPNGImageSource::recognize, 0}, "PNGSource");

ZynAnyImageSourceRegistryEntry anyImageEntry("Any Image Source", 0, 8);

}  // namespace
