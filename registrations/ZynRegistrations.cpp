// Every transform kind and file recogniser the component registers when it is loaded. Static
// objects of one file are built in the order written and destroyed in reverse, so this table's
// order is the registration order, the recogniser order, and (reversed) the withdrawal order.

#include "ZynAffineOperation.h"
#include "ZynAffineOperationT.h"
#include "ZynAnyImageSource.h"
#include "ZynBMPImageSource.h"
#include "ZynChannelSelectOperation.h"
#include "ZynColorMatrixOperation.h"
#include "ZynColorMatrixOperationT.h"
#include "ZynContrastOperation.h"
#include "ZynContrastOperationT.h"
#include "ZynDIBImageSource.h"
#include "ZynExifImageSource.h"
#include "ZynFpxImageSource.h"
#include "ZynFpxViewOperation.h"
#include "ZynIMPSImageSource.h"
#include "ZynJ2KImageSource.h"
#include "ZynJpegImageSource.h"
#include "ZynNopOperation.h"
#include "ZynPNGImageSource.h"
#include "ZynPpmImageSource.h"
#include "ZynRVQImageSource.h"
#include "ZynRawImageSource.h"
#include "ZynRecognizer.h"
#include "ZynTiffImageSource.h"
#include "ZynTransformRegistryEntry.h"
#include "ZynVDXImageSource.h"

namespace {

using ZynRVQImageSourceRegistryEntry = ZynTransformRegistryEntryT<ZynRVQImageSource>;
using ZynJ2KImageSourceRegistryEntry = ZynTransformRegistryEntryT<ZynJ2KImageSource>;
using ZynTiffImageSourceRegistryEntry = ZynTransformRegistryEntryT<ZynTiffImageSource>;
using ZynPpmImageSourceRegistryEntry = ZynTransformRegistryEntryT<ZynPpmImageSource>;
using ZynPNGImageSourceRegistryEntry = ZynTransformRegistryEntryT<ZynPNGImageSource>;
using ZynVDXImageSourceRegistryEntry = ZynTransformRegistryEntryT<ZynVDXImageSource>;
using ZynJpegImageSourceRegistryEntry = ZynTransformRegistryEntryT<ZynJpegImageSource>;
using ZynIMPSImageSourceRegistryEntry = ZynTransformRegistryEntryT<ZynIMPSImageSource>;
using ZynFpxImageSourceRegistryEntry = ZynTransformRegistryEntryT<ZynFpxImageSource>;
using ZynChannelSelectOperationRegistryEntry =
    ZynTransformRegistryEntryT<ZynChannelSelectOperation>;
using ZynFpxViewOperationRegistryEntry = ZynTransformRegistryEntryT<ZynFpxViewOperation>;
using ZynExifImageSourceRegistryEntry = ZynTransformRegistryEntryT<ZynExifImageSource>;
using ZynBMPImageSourceRegistryEntry = ZynTransformRegistryEntryT<ZynBMPImageSource>;
using ZynRawImageSourceRegistryEntry = ZynTransformRegistryEntryT<ZynRawImageSource>;
using ZynDIBImageSourceRegistryEntry = ZynTransformRegistryEntryT<ZynDIBImageSource>;
using ZynAnyImageSourceRegistryEntry = ZynTransformRegistryEntryT<ZynAnyImageSource>;
using ZynColorMatrixOperationRegistryEntry = ZynTransformRegistryEntryT<ZynColorMatrixOperation>;
using ZynColorMatrixOperationTRegistryEntry =
    ZynTransformRegistryEntryT<ZynColorMatrixOperationT<uint8_t>>;
using ZynContrastOperationRegistryEntry = ZynTransformRegistryEntryT<ZynContrastOperation>;
using ZynContrastOperationTRegistryEntry =
    ZynTransformRegistryEntryT<ZynContrastOperationT<uint8_t>>;
using ZynAffineOperationRegistryEntry = ZynTransformRegistryEntryT<ZynAffineOperation>;
using ZynAffineOperationTRegistryEntry = ZynTransformRegistryEntryT<ZynAffineOperationT<uint8_t>>;
using ZynNopOperationRegistryEntry = ZynTransformRegistryEntryT<ZynNopOperation>;

ZynRVQImageSourceRegistryEntry rvqEntry("RVQSource", 0, 0);
ZynRecognizerRegistration rvqRecognizer({&ZynRVQImageSource::recognize, 0}, "RVQSource");

ZynJ2KImageSourceRegistryEntry j2kEntry("J2KSource", 0, 0);
ZynRecognizerRegistration j2kRecognizer({&ZynJ2KImageSource::recognize, 0}, "J2KSource");

ZynTiffImageSourceRegistryEntry tiffEntry("TiffSource", 0, 0);
ZynRecognizerRegistration tiffRecognizer({&ZynTiffImageSource::recognize, 0}, "TiffSource");

ZynPpmImageSourceRegistryEntry ppmEntry("PpmSource", 0, 0);
ZynRecognizerRegistration ppmRecognizer({&ZynPpmImageSource::recognize, 0}, "PpmSource");

ZynPNGImageSourceRegistryEntry pngEntry("PNGSource", 0, 0);
ZynRecognizerRegistration pngRecognizer({&ZynPNGImageSource::recognize, 0}, "PNGSource");

ZynVDXImageSourceRegistryEntry vdxEntry("OrbidiscSource", 0, 0);
ZynRecognizerRegistration vdxRecognizer({&ZynVDXImageSource::recognize, 0}, "OrbidiscSource");

ZynJpegImageSourceRegistryEntry jpegEntry("JpegSource", 0, 0);
ZynRecognizerRegistration jpegRecognizer({&ZynJpegImageSource::recognize, 0}, "JpegSource");

ZynIMPSImageSourceRegistryEntry impsEntry("IMPSSource", 0, 0);
ZynRecognizerRegistration impsRecognizer({&ZynIMPSImageSource::recognize, 0}, "IMPSSource");

ZynFpxImageSourceRegistryEntry fpxEntry("FPXSource", 0, 0);
ZynRecognizerRegistration fpxRecognizer({&ZynFpxImageSource::recognize, 0}, "FPXSource");

ZynChannelSelectOperationRegistryEntry channelSelectEntry("ChannelSelect", 2, 10);

ZynFpxViewOperationRegistryEntry fpxViewEntry("Fpx View", 2, 13);

ZynExifImageSourceRegistryEntry exifEntry("ExifSource", 0, 0);
ZynRecognizerRegistration exifRecognizer({&ZynExifImageSource::recognize, 0}, "ExifSource");

ZynBMPImageSourceRegistryEntry bmpEntry("BMPSource", 0, 0);
ZynRecognizerRegistration bmpRecognizer({&ZynBMPImageSource::recognize, 0}, "BMPSource");

ZynRawImageSourceRegistryEntry rawEntry("RawImageSource", 0, 0);

ZynDIBImageSourceRegistryEntry dibEntry("DIBSource", 0, 0);

ZynAnyImageSourceRegistryEntry anyImageEntry("Any Image Source", 0, 8);

ZynColorMatrixOperationRegistryEntry colorMatrixEntry("ColorMatrix", 2, 9);

ZynColorMatrixOperationTRegistryEntry colorMatrixByteEntry("ColorMatrixByte", 3, 9);

ZynContrastOperationRegistryEntry contrastEntry("Contrast", 2, 11);

ZynContrastOperationTRegistryEntry contrastByteEntry("ContrastByte", 3, 11);

ZynAffineOperationRegistryEntry affineEntry("Affine", 2, 6);

ZynAffineOperationTRegistryEntry affineByteEntry("AffineByte", 3, 6);

ZynNopOperationRegistryEntry nopEntry("Nop", 2, 13);

}  // namespace
