#pragma once

#include <string>

#include "ComPlatform.h"
#include "TevColorSpace.h"
#include "TevSpatialUnit.h"
#include "ZynColorSpace.h"
#include "ZynTransform.h"

// The queries every control of the family makes of its transform. Each runs the transform's
// pending setups first where the answer depends on them, and throws framework errors: the
// transform's recorded error when its setup failed, ZynError 13 for an output or resolution
// index out of range, 125 for an output that describes no image.
//
// Caching: the transform-level value is that of every output (put sets all, get reads the
// primary one); per-output values are the outputs' own. An alias output keeps the value across
// the inner sources its owner rebuilds, so the value survives a change of file. Caching needs
// no setup and does not run one.
class CTevTransformBase {
  public:
    static bool StatusOK(ZynTransformPtr transform);
    static std::wstring get_Label(ZynTransformPtr transform);
    static void put_Label(ZynTransformPtr transform, const std::wstring& label);
    // Writes the graph the transform renders from to a text file.
    static void DumpGraph(ZynTransformPtr transform, const std::wstring& fileName);
    static bool get_Caching(ZynTransformPtr transform);
    static void put_Caching(ZynTransformPtr transform, bool caching);
    static void SetCaching(ZynTransformPtr transform, LONG outputIndex, bool caching);
    static bool GetCaching(ZynTransformPtr transform, LONG outputIndex);
    static TevColorSpace GetColorSpace(ZynTransformPtr transform, LONG outputIndex);
    static TevSpatialUnit GetUnit(ZynTransformPtr transform, LONG outputIndex);
    static double GetWidth(ZynTransformPtr transform, LONG outputIndex);
    static double GetHeight(ZynTransformPtr transform, LONG outputIndex);
    static LONG GetNumResolutions(ZynTransformPtr transform, LONG outputIndex);
    static LONG GetHorzResolution(ZynTransformPtr transform, LONG outputIndex,
                                  LONG resolutionIndex);
    static LONG GetVertResolution(ZynTransformPtr transform, LONG outputIndex,
                                  LONG resolutionIndex);

    // Metadata: the registry is the process's (VulMetaDataRegistry); values come from the
    // transform's metadata slot. A key the image does not have gives VT_EMPTY.
    static void LoadMetaDataRegistryFile(ZynTransformPtr transform, const std::wstring& path,
                                         int mode);
    static void ClearMetaDataRegistry(ZynTransformPtr transform);
    static void GetMetaData(ZynTransformPtr transform, const std::wstring& key, VARIANT* value);
    // The usage bits of a registered key; ZynError 13 for a key the registry does not know.
    static LONG GetMetaDataUsage(ZynTransformPtr transform, const std::wstring& key);

    // Kinds map by the space they mirror; generic spaces by band count.
    static TevColorSpace colorSpaceOf(const ZynColorSpace& space);
};
