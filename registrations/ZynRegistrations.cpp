// Every transform kind and file recogniser the component registers when it is loaded. Static
// objects of one file are built in the order written and destroyed in reverse, so this table's
// order is the registration order, the recogniser order, and (reversed) the withdrawal order.

#include "ZynAnyImageSource.h"
#include "ZynBMPImageSource.h"
#include "ZynDIBImageSource.h"
#include "ZynIMPSImageSource.h"
#include "ZynPpmImageSource.h"
#include "ZynRawImageSource.h"
#include "ZynRecognizer.h"
#include "ZynTransformRegistryEntry.h"

namespace {

using ZynPpmImageSourceRegistryEntry = ZynTransformRegistryEntryT<ZynPpmImageSource>;
using ZynIMPSImageSourceRegistryEntry = ZynTransformRegistryEntryT<ZynIMPSImageSource>;
using ZynBMPImageSourceRegistryEntry = ZynTransformRegistryEntryT<ZynBMPImageSource>;
using ZynRawImageSourceRegistryEntry = ZynTransformRegistryEntryT<ZynRawImageSource>;
using ZynDIBImageSourceRegistryEntry = ZynTransformRegistryEntryT<ZynDIBImageSource>;
using ZynAnyImageSourceRegistryEntry = ZynTransformRegistryEntryT<ZynAnyImageSource>;

ZynPpmImageSourceRegistryEntry ppmEntry("PpmSource", 0, 0);
ZynRecognizerRegistration ppmRecognizer({&ZynPpmImageSource::recognize, 0}, "PpmSource");

ZynIMPSImageSourceRegistryEntry impsEntry("IMPSSource", 0, 0);
ZynRecognizerRegistration impsRecognizer({&ZynIMPSImageSource::recognize, 0}, "IMPSSource");

ZynBMPImageSourceRegistryEntry bmpEntry("BMPSource", 0, 0);
ZynRecognizerRegistration bmpRecognizer({&ZynBMPImageSource::recognize, 0}, "BMPSource");

ZynRawImageSourceRegistryEntry rawEntry("RawImageSource", 0, 0);

ZynDIBImageSourceRegistryEntry dibEntry("DIBSource", 0, 0);

ZynAnyImageSourceRegistryEntry anyImageEntry("Any Image Source", 0, 8);

}  // namespace
