#include "dshow/renderer.h"

#include <chrono>
#include <string_view>

namespace {
// How often a wait looks at the clock: the clock may be a scripted run's fixed step, which moves
// without telling anyone.
constexpr auto kClockPoll = std::chrono::milliseconds(1);
}  // namespace

// The pin's counts are the filter's. The output pin that connects to it owns the connection; the
// input pin keeps no reference back, so the two filters never hold each other.
class CBaseVideoRenderer::InputPin final : public IPin, public IMemInputPin {
public:
    explicit InputPin(CBaseVideoRenderer* filter) : filter_(filter) {}

    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IPin)
            *ppv = static_cast<IPin*>(this);
        else if (riid == IID_IMemInputPin)
            *ppv = static_cast<IMemInputPin*>(this);
        else {
            *ppv = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return filter_->AddRef(); }
    ULONG Release() override { return filter_->Release(); }

    HRESULT Connect(IPin*, const AM_MEDIA_TYPE*) override { return E_UNEXPECTED; }
    HRESULT ReceiveConnection(IPin* pConnector, const AM_MEDIA_TYPE* pmt) override {
        if (!pConnector || !pmt) return E_POINTER;
        if (connected_) return VFW_E_ALREADY_CONNECTED;
        const CMediaType mt = Copy(*pmt);
        if (const HRESULT hr = filter_->CheckMediaType(&mt); hr != S_OK)
            return FAILED(hr) ? hr : VFW_E_TYPE_NOT_ACCEPTED;
        if (const HRESULT hr = filter_->SetMediaType(&mt); FAILED(hr)) return hr;
        connected_ = pConnector;
        return S_OK;
    }
    HRESULT QueryAccept(const AM_MEDIA_TYPE* pmt) override {
        if (!pmt) return E_POINTER;
        const CMediaType mt = Copy(*pmt);
        return filter_->CheckMediaType(&mt);
    }
    HRESULT Disconnect() override {
        if (!connected_) return S_FALSE;
        connected_ = nullptr;
        return S_OK;
    }
    HRESULT ConnectedTo(IPin** ppPin) override {
        if (!ppPin) return E_POINTER;
        *ppPin = connected_;
        if (!connected_) return VFW_E_NOT_CONNECTED;
        connected_->AddRef();
        return S_OK;
    }
    HRESULT QueryDirection(PIN_DIRECTION* pPinDir) override {
        if (!pPinDir) return E_POINTER;
        *pPinDir = PINDIR_INPUT;
        return S_OK;
    }
    HRESULT EndOfStream() override { return filter_->EndOfStream(); }
    HRESULT Receive(IMediaSample* pSample) override { return filter_->Receive(pSample); }

private:
    static CMediaType Copy(const AM_MEDIA_TYPE& from) {
        CMediaType mt;
        static_cast<AM_MEDIA_TYPE&>(mt) = from;
        mt.pbFormat = nullptr;
        mt.cbFormat = 0;
        mt.SetFormat(from.pbFormat, from.cbFormat);
        return mt;
    }

    CBaseVideoRenderer* filter_;
    IPin* connected_ = nullptr;
};

CBaseVideoRenderer::CBaseVideoRenderer(REFCLSID RenderClass, LPCTSTR pName, IUnknown* pUnk, HRESULT* phr)
    : m_clsid(RenderClass), m_pName(pName), m_pInputPin(std::make_unique<InputPin>(this)) {
    if (phr && pUnk) *phr = CLASS_E_NOAGGREGATION;
}

CBaseVideoRenderer::~CBaseVideoRenderer() = default;

HRESULT CBaseVideoRenderer::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IBaseFilter)
        *ppv = static_cast<IBaseFilter*>(this);
    else if (riid == dshow::IID_IStreamCatchUp)
        *ppv = static_cast<dshow::IStreamCatchUp*>(this);
    else {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

HRESULT CBaseVideoRenderer::Stop() {
    {
        std::lock_guard lock(m_StateLock);
        m_State = State_Stopped;
        m_bStreamDone = false;
    }
    m_StateChanged.notify_all();
    return S_OK;
}

HRESULT CBaseVideoRenderer::Pause() {
    {
        std::lock_guard lock(m_StateLock);
        m_State = State_Paused;
    }
    m_StateChanged.notify_all();
    return S_OK;
}

HRESULT CBaseVideoRenderer::Run(REFERENCE_TIME tStart) {
    {
        std::lock_guard lock(m_StateLock);
        m_State = State_Running;
        m_tStart = tStart;
        m_tLastEnd = 0;
        m_bStreamDone = false;
    }
    m_StateChanged.notify_all();
    return S_OK;
}

HRESULT CBaseVideoRenderer::GetState(DWORD, FILTER_STATE* State) {
    if (!State) return E_POINTER;
    std::lock_guard lock(m_StateLock);
    *State = m_State;
    return S_OK;
}

HRESULT CBaseVideoRenderer::FindPin(LPCWSTR Id, IPin** ppPin) {
    if (!ppPin) return E_POINTER;
    *ppPin = nullptr;
    if (!Id || std::u16string_view(Id) != u"In") return VFW_E_NOT_FOUND;
    *ppPin = m_pInputPin.get();
    AddRef();
    return S_OK;
}

HRESULT CBaseVideoRenderer::JoinFilterGraph(IMediaEventSink* pSink, LPCWSTR) {
    std::lock_guard lock(m_StateLock);
    m_pSink = pSink;
    return S_OK;
}

HRESULT CBaseVideoRenderer::SetMediaType(const CMediaType* pmt) {
    if (!pmt) return E_POINTER;
    m_mtIn = *pmt;
    return S_OK;
}

bool CBaseVideoRenderer::WaitUntil(REFERENCE_TIME due) {
    std::unique_lock lock(m_StateLock);
    m_bWaiting = true;
    m_tWaitingFor = due;
    m_StateChanged.notify_all();
    while (m_State == State_Running && dshow::GraphClockNow() < due) m_StateChanged.wait_for(lock, kClockPoll);
    m_bWaiting = false;
    return m_State == State_Running;
}

HRESULT CBaseVideoRenderer::Receive(IMediaSample* pSample) {
    if (!pSample) return E_POINTER;
    REFERENCE_TIME tStart = 0, tEnd = 0;
    pSample->GetTime(&tStart, &tEnd);
    REFERENCE_TIME base = 0;
    {
        std::lock_guard lock(m_StateLock);
        if (m_State != State_Running) return VFW_E_WRONG_STATE;
        base = m_tStart;
        m_tLastEnd = tEnd > tStart ? tEnd : tStart;
    }
    if (!WaitUntil(base + tStart)) return VFW_E_WRONG_STATE;
    std::lock_guard lock(m_RendererLock);
    return DoRenderSample(pSample);
}

HRESULT CBaseVideoRenderer::EndOfStream() {
    REFERENCE_TIME due = 0;
    {
        std::lock_guard lock(m_StateLock);
        if (m_State != State_Running) return VFW_E_WRONG_STATE;
        due = m_tStart + m_tLastEnd;
    }
    // The last picture stays for its whole length before the stream counts as complete.
    if (!WaitUntil(due)) return VFW_E_WRONG_STATE;
    IMediaEventSink* sink = nullptr;
    {
        std::lock_guard lock(m_StateLock);
        sink = m_pSink;
        if (sink) sink->Notify(EC_COMPLETE, 0, 0);
        m_bStreamDone = true;
    }
    m_StateChanged.notify_all();
    return S_OK;
}

void CBaseVideoRenderer::CatchUp(DWORD msLimit) {
    const auto limit = std::chrono::steady_clock::now() + std::chrono::milliseconds(msLimit);
    std::unique_lock lock(m_StateLock);
    while (m_State == State_Running && !m_bStreamDone && !(m_bWaiting && m_tWaitingFor > dshow::GraphClockNow())) {
        if (m_StateChanged.wait_until(lock, std::min(limit, std::chrono::steady_clock::now() + kClockPoll)) ==
                std::cv_status::timeout &&
            std::chrono::steady_clock::now() >= limit)
            break;
    }
}
