// The filter graph: its filters, the connection of two pins, run and stop in stream order, the
// event queue, and the stop of every streaming thread at its last release.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "dshow/graphclock.h"
#include "dshow/source.h"
#include "win32/codepage.h"
#include "win32/timesource.h"

namespace dshow {
namespace {

std::mutex g_injectLock;
std::function<HRESULT(const char*)> g_inject;
std::atomic<int> g_liveGraphs{0};

// A scripted run waits this long at most for a stream to catch up with the fixed-step clock.
constexpr DWORD kCatchUpLimitMs = 2000;

HRESULT Injected(const char* call) {
    std::lock_guard lock(g_injectLock);
    return g_inject ? g_inject(call) : S_OK;
}

class FilterGraph final : public win32::RefCounted<IGraphBuilder, IMediaControl, IMediaEvent, IMediaEventSink> {
public:
    FilterGraph() { ++g_liveGraphs; }

    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (riid == IID_IUnknown || riid == IID_IGraphBuilder)
            *ppv = static_cast<IGraphBuilder*>(this);
        else if (riid == IID_IMediaControl) {
            if (const HRESULT hr = Injected("QueryInterface(IMediaControl)"); FAILED(hr)) return hr;
            *ppv = static_cast<IMediaControl*>(this);
        } else if (riid == IID_IMediaEvent) {
            if (const HRESULT hr = Injected("QueryInterface(IMediaEvent)"); FAILED(hr)) return hr;
            *ppv = static_cast<IMediaEvent*>(this);
        } else if (riid == IID_IMediaEventSink)
            *ppv = static_cast<IMediaEventSink*>(this);
        else
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }

    HRESULT AddFilter(IBaseFilter* pFilter, LPCWSTR pName) override {
        if (!pFilter) return E_POINTER;
        if (std::find(filters_.begin(), filters_.end(), pFilter) != filters_.end()) return S_FALSE;
        pFilter->AddRef();
        pFilter->JoinFilterGraph(this, pName);
        filters_.push_back(pFilter);
        return S_OK;
    }

    HRESULT RemoveFilter(IBaseFilter* pFilter) override {
        auto it = std::find(filters_.begin(), filters_.end(), pFilter);
        if (it == filters_.end()) return VFW_E_NOT_FOUND;
        pFilter->Stop();
        pFilter->JoinFilterGraph(nullptr, nullptr);
        filters_.erase(it);
        pFilter->Release();
        return S_OK;
    }

    HRESULT AddSourceFilter(LPCWSTR lpcwstrFileName, LPCWSTR lpcwstrFilterName, IBaseFilter** ppFilter) override {
        if (!lpcwstrFileName || !ppFilter) return E_POINTER;
        *ppFilter = nullptr;
        // Back to the program's own text, which the platform's file lookup takes.
        char path[1024];
        if (WideCharToMultiByte(CP_ACP, 0, lpcwstrFileName, -1, path, sizeof path, nullptr, nullptr) == 0)
            return E_INVALIDARG;
        IBaseFilter* source = nullptr;
        if (const HRESULT hr = CreateMovieSource(path, &source); FAILED(hr)) return hr;
        if (const HRESULT hr = AddFilter(source, lpcwstrFilterName); FAILED(hr)) {
            source->Release();
            return hr;
        }
        sources_.push_back(source);
        *ppFilter = source;  // the creation's reference goes to the caller; the graph took its own
        return S_OK;
    }

    HRESULT Connect(IPin* ppinOut, IPin* ppinIn) override {
        if (!ppinOut || !ppinIn) return E_POINTER;
        PIN_DIRECTION dir{};
        if (FAILED(ppinOut->QueryDirection(&dir)) || dir != PINDIR_OUTPUT) return VFW_E_CANNOT_CONNECT;
        return ppinOut->Connect(ppinIn, nullptr);
    }

    // Downstream filters first, so the renderer runs before the first sample can reach it and
    // stops (releasing a streaming thread that waits in it) before its source is joined.
    HRESULT Run() override {
        const REFERENCE_TIME tStart = GraphClockNow();
        for (IBaseFilter* f : InStreamOrder())
            if (const HRESULT hr = f->Run(tStart); FAILED(hr)) return hr;
        return S_OK;
    }
    HRESULT Pause() override {
        for (IBaseFilter* f : InStreamOrder()) f->Pause();
        return S_OK;
    }
    HRESULT Stop() override {
        for (IBaseFilter* f : InStreamOrder()) f->Stop();
        return S_OK;
    }

    HRESULT GetEvent(long* lEventCode, LONG_PTR* lParam1, LONG_PTR* lParam2, long msTimeout) override {
        if (!lEventCode || !lParam1 || !lParam2) return E_POINTER;
        // In a scripted run the movie is where the fixed-step clock says, however fast the
        // streaming thread happened to be.
        if (win32::FixedStepActive()) CatchUp();
        std::unique_lock lock(eventLock_);
        if (msTimeout != 0)
            eventQueued_.wait_for(lock, std::chrono::milliseconds(msTimeout < 0 ? 0x7fffffff : msTimeout),
                                  [&] { return !events_.empty(); });
        if (events_.empty()) {
            *lEventCode = 0;
            *lParam1 = *lParam2 = 0;
            return E_ABORT;
        }
        const Event e = events_.front();
        events_.pop_front();
        *lEventCode = e.code;
        *lParam1 = e.param1;
        *lParam2 = e.param2;
        return S_OK;
    }
    HRESULT FreeEventParams(long, LONG_PTR, LONG_PTR) override { return S_OK; }

    HRESULT Notify(long EventCode, LONG_PTR EventParam1, LONG_PTR EventParam2) override {
        {
            std::lock_guard lock(eventLock_);
            events_.push_back({EventCode, EventParam1, EventParam2});
        }
        eventQueued_.notify_all();
        return S_OK;
    }

private:
    struct Event {
        long code;
        LONG_PTR param1, param2;
    };

    ~FilterGraph() {
        Stop();
        for (IBaseFilter* f : filters_) f->JoinFilterGraph(nullptr, nullptr);
        // Sources go first: they own the connections into the filters downstream.
        for (IBaseFilter* f : sources_) {
            filters_.erase(std::find(filters_.begin(), filters_.end(), f));
            f->Release();
        }
        for (IBaseFilter* f : filters_) f->Release();
        --g_liveGraphs;
    }

    bool IsSource(IBaseFilter* f) const { return std::find(sources_.begin(), sources_.end(), f) != sources_.end(); }

    std::vector<IBaseFilter*> InStreamOrder() const {
        std::vector<IBaseFilter*> order;
        for (IBaseFilter* f : filters_)
            if (!IsSource(f)) order.push_back(f);
        for (IBaseFilter* f : sources_) order.push_back(f);
        return order;
    }

    void CatchUp() {
        for (IBaseFilter* f : filters_) {
            IStreamCatchUp* c = nullptr;
            if (SUCCEEDED(f->QueryInterface(IID_IStreamCatchUp, reinterpret_cast<void**>(&c)))) {
                c->CatchUp(kCatchUpLimitMs);
                c->Release();
            }
        }
    }

    std::vector<IBaseFilter*> filters_;
    std::vector<IBaseFilter*> sources_;  // also in filters_
    std::mutex eventLock_;
    std::condition_variable eventQueued_;
    std::deque<Event> events_;
};

}  // namespace

void SetFailureInjection(std::function<HRESULT(const char* call)> inject) {
    std::lock_guard lock(g_injectLock);
    g_inject = std::move(inject);
}

int LiveGraphs() { return g_liveGraphs.load(); }

}  // namespace dshow

HRESULT CoCreateInstance(REFCLSID rclsid, IUnknown* pUnkOuter, DWORD, REFIID riid, LPVOID* ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (const HRESULT hr = dshow::Injected("CoCreateInstance"); FAILED(hr)) return hr;
    if (win32::ComInitCount() <= 0) return CO_E_NOTINITIALIZED;
    if (!(rclsid == CLSID_FilterGraph)) return REGDB_E_CLASSNOTREG;
    if (pUnkOuter) return CLASS_E_NOAGGREGATION;
    auto* graph = new dshow::FilterGraph();
    const HRESULT hr = graph->QueryInterface(riid, ppv);
    graph->Release();
    return hr;
}
