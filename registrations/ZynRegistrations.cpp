// Every transform kind and file recogniser the component registers when it is loaded. Static
// objects of one file are built in the order written and destroyed in reverse, so this table's
// order is the registration order, the recogniser order, and (reversed) the withdrawal order.

#include "ZynAnyImageSource.h"
#include "ZynExifImageSource.h"
#include "ZynJpegImageSource.h"
#include "ZynPpmImageSource.h"
#include "ZynRecognizer.h"
#include "ZynTransformRegistryEntry.h"

namespace {

using ZynPpmImageSourceRegistryEntry = ZynTransformRegistryEntryT<ZynPpmImageSource>;
using ZynJpegImageSourceRegistryEntry = ZynTransformRegistryEntryT<ZynJpegImageSource>;
using ZynExifImageSourceRegistryEntry = ZynTransformRegistryEntryT<ZynExifImageSource>;
using ZynAnyImageSourceRegistryEntry = ZynTransformRegistryEntryT<ZynAnyImageSource>;

ZynPpmImageSourceRegistryEntry ppmEntry("PpmSource", 0, 0);
ZynRecognizerRegistration ppmRecognizer({&ZynPpmImageSource::recognize, 0}, "PpmSource");

ZynJpegImageSourceRegistryEntry jpegEntry("JpegSource", 0, 0);
ZynRecognizerRegistration jpegRecognizer({&ZynJpegImageSource::recognize, 0}, "JpegSource");

ZynExifImageSourceRegistryEntry exifEntry("ExifSource", 0, 0);
ZynRecognizerRegistration exifRecognizer({&ZynExifImageSource::recognize, 0}, "ExifSource");

ZynAnyImageSourceRegistryEntry anyImageEntry("Any Image Source", 0, 8);

}  // namespace
