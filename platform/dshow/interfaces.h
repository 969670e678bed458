// The media graph's COM interfaces: filters and their pins, samples, the graph builder with its
// control and event views, and the sink through which filters report events to the graph.
#pragma once

#include <functional>

#include "dshow/types.h"
#include "win32/com.h"

inline constexpr GUID IID_IBaseFilter = {0x56A86895, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
inline constexpr GUID IID_IPin = {0x56A86891, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
inline constexpr GUID IID_IMemInputPin = {0x56A8689D, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
inline constexpr GUID IID_IMediaSample = {0x56A8689A, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
inline constexpr GUID IID_IGraphBuilder = {
    0x56A868A9, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
inline constexpr GUID IID_IMediaControl = {
    0x56A868B1, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
inline constexpr GUID IID_IMediaEvent = {0x56A868B6, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
inline constexpr GUID IID_IMediaEventSink = {
    0x56A868A2, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
inline constexpr GUID CLSID_FilterGraph = {
    0xE436EBB3, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};

enum PIN_DIRECTION { PINDIR_INPUT = 0, PINDIR_OUTPUT = 1 };
enum FILTER_STATE { State_Stopped = 0, State_Paused = 1, State_Running = 2 };

struct IMediaSample : IUnknown {
    virtual HRESULT GetPointer(BYTE** ppBuffer) = 0;
    virtual LONG GetSize() = 0;
    virtual LONG GetActualDataLength() = 0;
    virtual HRESULT GetTime(REFERENCE_TIME* pTimeStart, REFERENCE_TIME* pTimeEnd) = 0;
};

struct IPin : IUnknown {
    // Output pins: offers media types to the receiving pin until one is accepted.
    virtual HRESULT Connect(IPin* pReceivePin, const AM_MEDIA_TYPE* pmt) = 0;
    // Input pins: accepts or refuses the type an output pin offers.
    virtual HRESULT ReceiveConnection(IPin* pConnector, const AM_MEDIA_TYPE* pmt) = 0;
    // Input pins: S_OK when the type would be accepted, without connecting.
    virtual HRESULT QueryAccept(const AM_MEDIA_TYPE* pmt) = 0;
    virtual HRESULT Disconnect() = 0;
    virtual HRESULT ConnectedTo(IPin** ppPin) = 0;
    virtual HRESULT QueryDirection(PIN_DIRECTION* pPinDir) = 0;
    virtual HRESULT EndOfStream() = 0;
};

struct IMemInputPin : IUnknown {
    // Renders one sample; returns when it has been rendered or refused.
    virtual HRESULT Receive(IMediaSample* pSample) = 0;
};

struct IMediaEventSink : IUnknown {
    virtual HRESULT Notify(long EventCode, LONG_PTR EventParam1, LONG_PTR EventParam2) = 0;
};

struct IBaseFilter : IUnknown {
    virtual HRESULT Stop() = 0;
    virtual HRESULT Pause() = 0;
    // tStart: the graph clock's counts (QueryPerformanceCounter) at which stream time 0 falls.
    virtual HRESULT Run(REFERENCE_TIME tStart) = 0;
    virtual HRESULT GetState(DWORD dwMilliSecsTimeout, FILTER_STATE* State) = 0;
    virtual HRESULT FindPin(LPCWSTR Id, IPin** ppPin) = 0;
    // The graph's event sink (not counted: the graph outlives its filters), or nullptr on removal.
    virtual HRESULT JoinFilterGraph(IMediaEventSink* pSink, LPCWSTR pName) = 0;
};

struct IGraphBuilder : IUnknown {
    virtual HRESULT AddFilter(IBaseFilter* pFilter, LPCWSTR pName) = 0;
    virtual HRESULT RemoveFilter(IBaseFilter* pFilter) = 0;
    virtual HRESULT AddSourceFilter(LPCWSTR lpcwstrFileName, LPCWSTR lpcwstrFilterName, IBaseFilter** ppFilter) = 0;
    virtual HRESULT Connect(IPin* ppinOut, IPin* ppinIn) = 0;
};

struct IMediaControl : IUnknown {
    virtual HRESULT Run() = 0;
    virtual HRESULT Pause() = 0;
    virtual HRESULT Stop() = 0;
};

struct IMediaEvent : IUnknown {
    // Takes the oldest queued event; with nothing queued waits up to msTimeout (0: not at all) and
    // then answers E_ABORT.
    virtual HRESULT GetEvent(long* lEventCode, LONG_PTR* lParam1, LONG_PTR* lParam2, long msTimeout) = 0;
    virtual HRESULT FreeEventParams(long lEvCode, LONG_PTR lParam1, LONG_PTR lParam2) = 0;
};

HRESULT CoCreateInstance(REFCLSID rclsid, IUnknown* pUnkOuter, DWORD dwClsContext, REFIID riid, LPVOID* ppv);

namespace dshow {

// Failure injection for tests: asked before the named call does anything; a failing code is
// returned as the call's result. Names: "CoCreateInstance", "QueryInterface(IMediaControl)",
// "QueryInterface(IMediaEvent)". An empty function (the default) injects nothing.
void SetFailureInjection(std::function<HRESULT(const char* call)> inject);

// Graphs alive now (built and not yet released), and streaming threads running now.
int LiveGraphs();
int LiveStreams();

}  // namespace dshow
