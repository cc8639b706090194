// Every transform kind and file recogniser the component registers when it is loaded. Static
// objects of one file are built in the order written and destroyed in reverse, so this table's
// order is the registration order, the recogniser order, and (reversed) the withdrawal order.

#include "ZynAffineOperation.h"
#include "ZynAffineOperationT.h"
#include "ZynAnyImageSource.h"
#include "ZynChannelSelectOperation.h"
#include "ZynColorMatrixOperation.h"
#include "ZynColorMatrixOperationT.h"
#include "ZynContrastOperation.h"
#include "ZynContrastOperationT.h"
#include "ZynFpxViewOperation.h"
#include "ZynNopOperation.h"
#include "ZynPpmImageSource.h"
#include "ZynRecognizer.h"
#include "ZynTransformRegistryEntry.h"

namespace {

using ZynPpmImageSourceRegistryEntry = ZynTransformRegistryEntryT<ZynPpmImageSource>;
using ZynChannelSelectOperationRegistryEntry =
    ZynTransformRegistryEntryT<ZynChannelSelectOperation>;
using ZynFpxViewOperationRegistryEntry = ZynTransformRegistryEntryT<ZynFpxViewOperation>;
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

ZynPpmImageSourceRegistryEntry ppmEntry("PpmSource", 0, 0);
ZynRecognizerRegistration ppmRecognizer({&ZynPpmImageSource::recognize, 0}, "PpmSource");

ZynChannelSelectOperationRegistryEntry channelSelectEntry("ChannelSelect", 2, 10);
ZynFpxViewOperationRegistryEntry fpxViewEntry("Fpx View", 2, 13);

ZynAnyImageSourceRegistryEntry anyImageEntry("Any Image Source", 0, 8);

ZynColorMatrixOperationRegistryEntry colorMatrixEntry("ColorMatrix", 2, 9);
ZynColorMatrixOperationTRegistryEntry colorMatrixByteEntry("ColorMatrixByte", 3, 9);
ZynContrastOperationRegistryEntry contrastEntry("Contrast", 2, 11);
ZynContrastOperationTRegistryEntry contrastByteEntry("ContrastByte", 3, 11);
ZynAffineOperationRegistryEntry affineEntry("Affine", 2, 6);
ZynAffineOperationTRegistryEntry affineByteEntry("AffineByte", 3, 6);
ZynNopOperationRegistryEntry nopEntry("Nop", 2, 13);

}  // namespace
