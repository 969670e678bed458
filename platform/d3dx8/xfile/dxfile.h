// The X-file component: reads text and binary X files into data objects that callers walk
// through COM-style interfaces. Templates (the layouts of data objects) are built in for the
// standard mesh and frame objects; files may declare more, and their data is read by them.
//
// Reference counts follow COM: every interface pointer handed out carries one reference, which
// the caller releases. Data objects keep the parsed file alive on their own, so they stay valid
// after the enumerator and the file object are released.
#pragma once

#include "d3d8/d3d8.h"
#include "win32/wintypes.h"

// Result codes.
#define DXFILE_OK ((HRESULT)0)
#define DXFILEERR_BADOBJECT MAKE_HRESULT(1, 0x876, 850)
#define DXFILEERR_BADVALUE MAKE_HRESULT(1, 0x876, 851)
#define DXFILEERR_BADTYPE MAKE_HRESULT(1, 0x876, 852)
#define DXFILEERR_NOTFOUND MAKE_HRESULT(1, 0x876, 855)
#define DXFILEERR_FILENOTFOUND MAKE_HRESULT(1, 0x876, 857)
#define DXFILEERR_BADFILETYPE MAKE_HRESULT(1, 0x876, 861)
#define DXFILEERR_BADFILEVERSION MAKE_HRESULT(1, 0x876, 862)
#define DXFILEERR_BADFILEFLOATSIZE MAKE_HRESULT(1, 0x876, 863)
#define DXFILEERR_BADFILECOMPRESSIONTYPE MAKE_HRESULT(1, 0x876, 864)
#define DXFILEERR_BADFILE MAKE_HRESULT(1, 0x876, 865)
#define DXFILEERR_PARSEERROR MAKE_HRESULT(1, 0x876, 866)
#define DXFILEERR_NOTEMPLATE MAKE_HRESULT(1, 0x876, 867)
#define DXFILEERR_BADARRAYSIZE MAKE_HRESULT(1, 0x876, 868)
#define DXFILEERR_BADDATAREFERENCE MAKE_HRESULT(1, 0x876, 869)
#define DXFILEERR_NOMOREOBJECTS MAKE_HRESULT(1, 0x876, 871)
#define DXFILEERR_NOMOREDATA MAKE_HRESULT(1, 0x876, 874)

// Where CreateEnumObject reads from.
using DXFILELOADOPTIONS = DWORD;
#define DXFILELOAD_FROMFILE 0x00u
#define DXFILELOAD_FROMRESOURCE 0x01u
#define DXFILELOAD_FROMMEMORY 0x02u
#define DXFILELOAD_FROMSTREAM 0x04u
#define DXFILELOAD_FROMURL 0x08u

struct DXFILELOADMEMORY {
    LPVOID lpMemory;
    DWORD dSize;
};

// Interface identifiers and the built-in templates' identifiers (this layer's own values).
extern const GUID IID_IDirectXFile;
extern const GUID IID_IDirectXFileEnumObject;
extern const GUID IID_IDirectXFileObject;
extern const GUID IID_IDirectXFileData;
extern const GUID IID_IDirectXFileDataReference;
extern const GUID IID_IDirectXFileBinary;

extern const GUID TID_DXFILEHeader;
extern const GUID TID_D3DRMVector;
extern const GUID TID_D3DRMCoords2d;
extern const GUID TID_D3DRMMatrix4x4;
extern const GUID TID_D3DRMColorRGBA;
extern const GUID TID_D3DRMColorRGB;
extern const GUID TID_D3DRMTextureFilename;
extern const GUID TID_D3DRMMaterial;
extern const GUID TID_D3DRMMeshFace;
extern const GUID TID_D3DRMMeshTextureCoords;
extern const GUID TID_D3DRMMeshNormals;
extern const GUID TID_D3DRMMeshMaterialList;
extern const GUID TID_D3DRMMesh;
extern const GUID TID_D3DRMFrameTransformMatrix;
extern const GUID TID_D3DRMFrame;

// The built-in templates as an X-file text block, for callers that register a template block
// before they read (RegisterTemplates accepts it and any other template-only file).
extern const char D3DRM_XTEMPLATES[];
extern const DWORD D3DRM_XTEMPLATE_BYTES;

struct IDirectXFile;
struct IDirectXFileEnumObject;
struct IDirectXFileSaveObject;
struct IDirectXFileObject;
struct IDirectXFileData;
struct IDirectXFileDataReference;
using LPDIRECTXFILE = IDirectXFile*;
using LPDIRECTXFILEENUMOBJECT = IDirectXFileEnumObject*;
using LPDIRECTXFILESAVEOBJECT = IDirectXFileSaveObject*;
using LPDIRECTXFILEOBJECT = IDirectXFileObject*;
using LPDIRECTXFILEDATA = IDirectXFileData*;
using LPDIRECTXFILEDATAREFERENCE = IDirectXFileDataReference*;

struct IDirectXFile : IUnknown {
    // source: a file name (FROMFILE) or a DXFILELOADMEMORY* (FROMMEMORY). The whole file is
    // read and checked here: a malformed file fails now, with nothing handed out.
    virtual HRESULT CreateEnumObject(LPVOID source, DXFILELOADOPTIONS options, LPDIRECTXFILEENUMOBJECT* enumObject) = 0;
    virtual HRESULT CreateSaveObject(LPCSTR fileName, DWORD format, LPDIRECTXFILESAVEOBJECT* saveObject) = 0;
    // A template-only X file (text or binary, with its header) whose templates later reads use.
    virtual HRESULT RegisterTemplates(LPVOID data, DWORD size) = 0;

protected:
    ~IDirectXFile() = default;
};

struct IDirectXFileEnumObject : IUnknown {
    // The file's top-level data objects in file order; DXFILEERR_NOMOREOBJECTS after the last.
    virtual HRESULT GetNextDataObject(LPDIRECTXFILEDATA* data) = 0;
    virtual HRESULT GetDataObjectById(REFGUID id, LPDIRECTXFILEDATA* data) = 0;
    virtual HRESULT GetDataObjectByName(LPCSTR name, LPDIRECTXFILEDATA* data) = 0;

protected:
    ~IDirectXFileEnumObject() = default;
};

struct IDirectXFileObject : IUnknown {
    // With a null buffer, *length becomes the name's size with its terminator (0 when unnamed).
    // A buffer shorter than that gives DXFILEERR_BADVALUE.
    virtual HRESULT GetName(LPSTR buffer, LPDWORD length) = 0;
    // The object's own GUID; all zero when the file gives none.
    virtual HRESULT GetId(GUID* id) = 0;

protected:
    ~IDirectXFileObject() = default;
};

struct IDirectXFileData : IDirectXFileObject {
    // The object's data laid out by its template: members packed in order, WORD 2 bytes, DWORD
    // and FLOAT 4 (in 64-bit files as well), DOUBLE 8, strings as char pointers owned by the
    // object, arrays inline. A member name selects that top-level member.
    virtual HRESULT GetData(LPCSTR member, DWORD* size, void** data) = 0;
    virtual HRESULT GetType(const GUID** type) = 0;
    // Child objects (data objects and references) in file order; DXFILEERR_NOMOREOBJECTS after.
    virtual HRESULT GetNextObject(LPDIRECTXFILEOBJECT* child) = 0;
    virtual HRESULT AddDataObject(LPDIRECTXFILEDATA data) = 0;
    virtual HRESULT AddDataReference(LPCSTR name, const GUID* id) = 0;
    virtual HRESULT AddBinaryObject(LPCSTR name, const GUID* id, LPCSTR mimeType, LPVOID data, DWORD size) = 0;

protected:
    ~IDirectXFileData() = default;
};

struct IDirectXFileDataReference : IDirectXFileObject {
    // The data object the reference names (by name, else by GUID), with a new reference.
    virtual HRESULT Resolve(LPDIRECTXFILEDATA* data) = 0;

protected:
    ~IDirectXFileDataReference() = default;
};

HRESULT DirectXFileCreate(LPDIRECTXFILE* file);
