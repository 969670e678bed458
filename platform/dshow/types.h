// Media types, identifiers, event codes and result codes of the media-graph layer.
#pragma once

#include <cstdint>
#include <vector>

#include "win32/gdi.h"
#include "win32/wintypes.h"

// Media time in 100-nanosecond units.
using REFERENCE_TIME = LONGLONG;
inline constexpr REFERENCE_TIME kUnitsPerSecond = 10'000'000;

inline constexpr GUID MEDIATYPE_Video = {0x73646976, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
inline constexpr GUID MEDIATYPE_Audio = {0x73647561, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
inline constexpr GUID MEDIASUBTYPE_RGB24 = {
    0xE436EB7D, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
inline constexpr GUID MEDIASUBTYPE_RGB32 = {
    0xE436EB7E, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
// The decoder's own picture layout, offered first as the native type.
inline constexpr GUID MEDIASUBTYPE_Native = {
    0x7C1D6A10, 0x55E2, 0x4B0C, {0x9A, 0x31, 0x2B, 0x6E, 0x41, 0xD8, 0x0F, 0x17}};
inline constexpr GUID FORMAT_VideoInfo = {0x05589F80, 0xC356, 0x11CE, {0xBF, 0x01, 0x00, 0xAA, 0x00, 0x55, 0x59, 0x5A}};
inline constexpr GUID FORMAT_VideoInfo2 = {
    0xF72A76A0, 0xEB0A, 0x11D0, {0xAC, 0xE4, 0x00, 0x00, 0xC0, 0xCC, 0x16, 0xBA}};
inline constexpr GUID GUID_NULL = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};

struct VIDEOINFOHEADER {
    RECT rcSource;
    RECT rcTarget;
    DWORD dwBitRate;
    DWORD dwBitErrorRate;
    REFERENCE_TIME AvgTimePerFrame;
    BITMAPINFOHEADER bmiHeader;
};
// The uncompressed layouts carry no palette or masks here, so VIDEOINFO is the header alone.
struct VIDEOINFO : VIDEOINFOHEADER {};

struct VIDEOINFOHEADER2 {
    RECT rcSource;
    RECT rcTarget;
    DWORD dwBitRate;
    DWORD dwBitErrorRate;
    REFERENCE_TIME AvgTimePerFrame;
    DWORD dwInterlaceFlags;
    DWORD dwCopyProtectFlags;
    DWORD dwPictAspectRatioX;
    DWORD dwPictAspectRatioY;
    DWORD dwControlFlags;
    DWORD dwReserved2;
    BITMAPINFOHEADER bmiHeader;
};

struct AM_MEDIA_TYPE {
    GUID majortype;
    GUID subtype;
    BOOL bFixedSizeSamples;
    BOOL bTemporalCompression;
    ULONG lSampleSize;
    GUID formattype;
    void* pUnk;
    ULONG cbFormat;
    BYTE* pbFormat;
};

// A media type that owns its format block.
class CMediaType : public AM_MEDIA_TYPE {
public:
    CMediaType();
    CMediaType(const CMediaType& other);
    CMediaType& operator=(const CMediaType& other);
    ~CMediaType() = default;

    const GUID* Type() const { return &majortype; }
    const GUID* Subtype() const { return &subtype; }
    const GUID* FormatType() const { return &formattype; }
    BYTE* Format() const { return cbFormat ? pbFormat : nullptr; }
    ULONG FormatLength() const { return cbFormat; }
    void SetType(const GUID* type) { majortype = *type; }
    void SetSubtype(const GUID* type) { subtype = *type; }
    void SetFormatType(const GUID* type) { formattype = *type; }
    void SetSampleSize(ULONG size);
    // Replaces the format block with a copy of the bytes given.
    BOOL SetFormat(const BYTE* format, ULONG length);

private:
    std::vector<BYTE> format_;
};

// Event codes.
#define EC_COMPLETE 0x01
#define EC_USERABORT 0x02
#define EC_ERRORABORT 0x03

#define CLSCTX_INPROC_SERVER 0x1

// Result codes. The graph's own failures each have one code, listed here and nowhere else.
#define E_ABORT ((HRESULT)0x80004004)
#define CLASS_E_NOAGGREGATION ((HRESULT)0x80040110)
#define REGDB_E_CLASSNOTREG ((HRESULT)0x80040154)
#define CO_E_NOTINITIALIZED ((HRESULT)0x800401F0)
#define HRESULT_FILE_NOT_FOUND ((HRESULT)0x80070002)
#define VFW_E_NOT_CONNECTED ((HRESULT)0x80040209)
#define VFW_E_ALREADY_CONNECTED ((HRESULT)0x80040204)
#define VFW_E_NOT_FOUND ((HRESULT)0x80040216)
#define VFW_E_CANNOT_CONNECT ((HRESULT)0x80040217)
#define VFW_E_TYPE_NOT_ACCEPTED ((HRESULT)0x8004022A)
#define VFW_E_UNKNOWN_FILE_TYPE ((HRESULT)0x80040240)
#define VFW_E_UNSUPPORTED_STREAM ((HRESULT)0x80040265)
#define VFW_E_WRONG_STATE ((HRESULT)0x80040227)
#define VFW_E_BUFFER_OVERFLOW ((HRESULT)0x8004020D)
