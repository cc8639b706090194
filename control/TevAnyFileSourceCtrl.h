#pragma once

// The type library "TevAnyFileSourceCtrl" 1.0: the control's class, its interfaces, their
// dispatch twins and enumerations.

#include "IQORMetaDataRead.h"
#include "IQORPersistWithNewIdentity2.h"
#include "ITevAnyFileSource.h"
#include "ITevFileMgmt.h"
#include "ITevTrampData.h"
#include "ITevZynWrapper2.h"

extern "C" const CLSID CLSID_TevAnyFileSource;
extern "C" const GUID LIBID_TevAnyFileSourceCtrl;
// Dispatch twins: ITevSourceDisp, and ITevAnyFileSourceDisp, which adds the file name, the
// metadata methods and KeepImageFileOpen.
extern "C" const IID DIID_ITevSourceDisp;
extern "C" const IID DIID_ITevAnyFileSourceDisp;

enum TevAnyFileSourceDispId : DISPID {
    DISPID_TEV_CONTROLNAME = 0,
    DISPID_TEV_FILENAME = 1,
    DISPID_TEV_KEEPIMAGEFILEOPEN = 2,
    DISPID_TEV_STATUSOK = 1012,
    DISPID_TEV_LABEL = 1013,
    DISPID_TEV_DUMPGRAPH = 1014,
    DISPID_TEV_CACHING = 1015,
    DISPID_TEV_SETCACHING = 1016,
    DISPID_TEV_GETCACHING = 1017,
    DISPID_TEV_GETCOLORSPACE = 1018,
    DISPID_TEV_GETUNIT = 1019,
    DISPID_TEV_GETWIDTH = 1020,
    DISPID_TEV_GETHEIGHT = 1021,
    DISPID_TEV_GETNUMRESOLUTIONS = 1022,
    DISPID_TEV_GETHORZRESOLUTION = 1023,
    DISPID_TEV_GETVERTRESOLUTION = 1024,
    DISPID_TEV_LOADMETADATAREGISTRYFILE = 1029,
    DISPID_TEV_CLEARMETADATAREGISTRY = 1030,
    DISPID_TEV_GETMETADATA = 1031,
    DISPID_TEV_GETMETADATAUSAGE = 1032,
};
