// Every transform kind and file recogniser the component registers when it is loaded. Static
// objects of one file are built in the order written and destroyed in reverse, so this table's
// order is the registration order, the recogniser order, and (reversed) the withdrawal order.

#include "ZynAnyImageSource.h"
#include "ZynJ2KImageSource.h"
#include "ZynPpmImageSource.h"
#include "ZynRecognizer.h"
#include "ZynTransformRegistryEntry.h"

namespace {

using ZynJ2KImageSourceRegistryEntry = ZynTransformRegistryEntryT<ZynJ2KImageSource>;
using ZynPpmImageSourceRegistryEntry = ZynTransformRegistryEntryT<ZynPpmImageSource>;
using ZynAnyImageSourceRegistryEntry = ZynTransformRegistryEntryT<ZynAnyImageSource>;

ZynJ2KImageSourceRegistryEntry j2kEntry("J2KSource", 0, 0);
ZynRecognizerRegistration j2kRecognizer({&ZynJ2KImageSource::recognize, 0}, "J2KSource");

ZynPpmImageSourceRegistryEntry ppmEntry("PpmSource", 0, 0);
ZynRecognizerRegistration ppmRecognizer({&ZynPpmImageSource::recognize, 0}, "PpmSource");

ZynAnyImageSourceRegistryEntry anyImageEntry("Any Image Source", 0, 8);

}  // namespace
