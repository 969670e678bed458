// The base of a video renderer filter: one input pin "In" that accepts what the derived class's
// CheckMediaType accepts, holds each sample until its stream time is due on the graph clock, and
// hands it to DoRenderSample under the renderer's lock; the end of the stream, once the last
// sample's time has passed, is reported to the graph as EC_COMPLETE.
#pragma once

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>

#include "dshow/graphclock.h"
#include "dshow/interfaces.h"

class CBaseVideoRenderer : public win32::RefCounted<IBaseFilter, dshow::IStreamCatchUp> {
public:
    // Aggregation is not supported: a non-null outer unknown fails with CLASS_E_NOAGGREGATION in
    // *phr. Starts with one reference, which the creator owns.
    CBaseVideoRenderer(REFCLSID RenderClass, LPCTSTR pName, IUnknown* pUnk, HRESULT* phr);

    HRESULT QueryInterface(REFIID riid, void** ppv) override;

    HRESULT Stop() override;
    HRESULT Pause() override;
    HRESULT Run(REFERENCE_TIME tStart) override;
    HRESULT GetState(DWORD dwMilliSecsTimeout, FILTER_STATE* State) override;
    HRESULT FindPin(LPCWSTR Id, IPin** ppPin) override;
    HRESULT JoinFilterGraph(IMediaEventSink* pSink, LPCWSTR pName) override;
    void CatchUp(DWORD msLimit) override;

    // S_OK for a type the renderer takes; any failure refuses it.
    virtual HRESULT CheckMediaType(const CMediaType* pmt) = 0;
    // The agreed type, on the connecting thread before any sample; the base keeps a copy.
    virtual HRESULT SetMediaType(const CMediaType* pmt);
    // One sample, on the streaming thread, under the renderer's lock.
    virtual HRESULT DoRenderSample(IMediaSample* pMediaSample) = 0;

    const CMediaType& ConnectedType() const { return m_mtIn; }
    const GUID& ClassId() const { return m_clsid; }
    LPCTSTR Name() const { return m_pName; }

protected:
    virtual ~CBaseVideoRenderer();

    // Held around every DoRenderSample.
    std::mutex m_RendererLock;

private:
    class InputPin;
    friend class InputPin;

    HRESULT Receive(IMediaSample* pSample);
    HRESULT EndOfStream();
    // Waits until the clock reaches `due`; false when the renderer stopped meanwhile.
    bool WaitUntil(REFERENCE_TIME due);

    GUID m_clsid;
    LPCTSTR m_pName;
    std::unique_ptr<InputPin> m_pInputPin;
    CMediaType m_mtIn;

    std::mutex m_StateLock;
    std::condition_variable m_StateChanged;
    FILTER_STATE m_State = State_Stopped;
    REFERENCE_TIME m_tStart = 0;
    REFERENCE_TIME m_tLastEnd = 0;
    bool m_bWaiting = false;
    REFERENCE_TIME m_tWaitingFor = 0;
    bool m_bStreamDone = false;
    IMediaEventSink* m_pSink = nullptr;
};
