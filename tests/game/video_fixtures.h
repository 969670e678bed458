// What the video tests and benchmark hand the texture renderer: a frame sample of given bytes and
// a video media type.
#pragma once

#include <utility>
#include <vector>

#include "dshow/dshow.h"
#include "win32/com.h"

namespace gametest {

// A sample holding `data`; its actual length is the data's size unless given.
class FakeSample final : public win32::ComObject<IMediaSample, IID_IMediaSample> {
public:
    FakeSample() = default;
    explicit FakeSample(std::vector<BYTE> bytes) : data(std::move(bytes)), actual(-1) {}
    FakeSample(std::vector<BYTE> bytes, LONG length) : data(std::move(bytes)), actual(length) {}
    HRESULT GetPointer(BYTE** pp) override {
        *pp = data.data();
        return S_OK;
    }
    LONG GetSize() override { return static_cast<LONG>(data.size()); }
    LONG GetActualDataLength() override { return actual < 0 ? static_cast<LONG>(data.size()) : actual; }
    HRESULT GetTime(REFERENCE_TIME* a, REFERENCE_TIME* b) override {
        *a = *b = 0;
        return S_OK;
    }
    std::vector<BYTE> data;
    LONG actual = -1;
};

// A media type with a VIDEOINFOHEADER of a 24-bit bitmap of that width and (signed) height.
inline CMediaType VideoType(const GUID& major, const GUID& subtype, const GUID& formatType, LONG width, LONG height) {
    CMediaType mt;
    mt.SetType(&major);
    mt.SetSubtype(&subtype);
    mt.SetFormatType(&formatType);
    VIDEOINFOHEADER vih{};
    vih.bmiHeader.biWidth = width;
    vih.bmiHeader.biHeight = height;
    vih.bmiHeader.biBitCount = 24;
    mt.SetFormat(reinterpret_cast<const BYTE*>(&vih), sizeof vih);
    return mt;
}

inline CMediaType Rgb24(LONG width, LONG height) {
    return VideoType(MEDIATYPE_Video, MEDIASUBTYPE_RGB24, FORMAT_VideoInfo, width, height);
}

}  // namespace gametest
