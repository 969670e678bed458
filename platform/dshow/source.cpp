#include "dshow/source.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <string_view>
#include <thread>
#include <vector>

#include "dshow/moviereader.h"

namespace dshow {
namespace {

std::atomic<int> g_liveStreams{0};

class Sample final : public win32::ComObject<IMediaSample, IID_IMediaSample> {
public:
    HRESULT GetPointer(BYTE** ppBuffer) override {
        if (!ppBuffer) return E_POINTER;
        *ppBuffer = data.data();
        return S_OK;
    }
    LONG GetSize() override { return static_cast<LONG>(data.size()); }
    LONG GetActualDataLength() override { return static_cast<LONG>(data.size()); }
    HRESULT GetTime(REFERENCE_TIME* pTimeStart, REFERENCE_TIME* pTimeEnd) override {
        if (!pTimeStart || !pTimeEnd) return E_POINTER;
        *pTimeStart = start;
        *pTimeEnd = stop;
        return S_OK;
    }

    std::vector<BYTE> data;
    REFERENCE_TIME start = 0, stop = 0;
};

VIDEOINFOHEADER VideoHeader(int width, int height, WORD bits, REFERENCE_TIME frame) {
    VIDEOINFOHEADER vih{};
    vih.rcSource = vih.rcTarget = {0, 0, width, height};
    vih.AvgTimePerFrame = frame;
    vih.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    vih.bmiHeader.biWidth = width;
    vih.bmiHeader.biHeight = height;  // positive: the bottom row comes first
    vih.bmiHeader.biPlanes = 1;
    vih.bmiHeader.biBitCount = bits;
    vih.bmiHeader.biSizeImage = static_cast<DWORD>(((width * bits / 8 + 3) & ~3) * height);
    return vih;
}

template <class Header> CMediaType VideoType(const GUID& subtype, const GUID& formatType, const Header& header) {
    CMediaType mt;
    mt.SetType(&MEDIATYPE_Video);
    mt.SetSubtype(&subtype);
    mt.SetFormatType(&formatType);
    mt.SetSampleSize(header.bmiHeader.biSizeImage);
    mt.SetFormat(reinterpret_cast<const BYTE*>(&header), sizeof header);
    return mt;
}

class MovieSource final : public win32::RefCounted<IBaseFilter> {
public:
    MovieSource() : pin_(this) {}

    HRESULT Open(const char* path) { return reader_.Open(path); }

    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IBaseFilter) {
            *ppv = static_cast<IBaseFilter*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }

    HRESULT Stop() override {
        stopping_ = true;
        // The streaming thread may be deep in a read that finds no picture.
        reader_.RequestStop();
        if (thread_.joinable()) thread_.join();
        state_ = State_Stopped;
        return S_OK;
    }
    HRESULT Pause() override { return state_ == State_Running ? VFW_E_WRONG_STATE : S_OK; }
    HRESULT Run(REFERENCE_TIME) override {
        if (state_ == State_Running) return S_OK;
        if (!pin_.input) return VFW_E_NOT_CONNECTED;
        // One pass through the file per graph.
        if (thread_.joinable() || stopping_) return VFW_E_WRONG_STATE;
        state_ = State_Running;
        thread_ = std::thread([this] { Stream(); });
        return S_OK;
    }
    HRESULT GetState(DWORD, FILTER_STATE* State) override {
        if (!State) return E_POINTER;
        *State = state_;
        return S_OK;
    }
    HRESULT FindPin(LPCWSTR Id, IPin** ppPin) override {
        if (!ppPin) return E_POINTER;
        *ppPin = nullptr;
        if (!Id || std::u16string_view(Id) != u"Output") return VFW_E_NOT_FOUND;
        *ppPin = &pin_;
        AddRef();
        return S_OK;
    }
    HRESULT JoinFilterGraph(IMediaEventSink*, LPCWSTR) override { return S_OK; }

private:
    class OutputPin final : public IPin {
    public:
        explicit OutputPin(MovieSource* filter) : filter_(filter) {}
        ~OutputPin() { Disconnect(); }

        HRESULT QueryInterface(REFIID riid, void** ppv) override {
            if (!ppv) return E_POINTER;
            if (riid == IID_IUnknown || riid == IID_IPin) {
                *ppv = static_cast<IPin*>(this);
                AddRef();
                return S_OK;
            }
            *ppv = nullptr;
            return E_NOINTERFACE;
        }
        ULONG AddRef() override { return filter_->AddRef(); }
        ULONG Release() override { return filter_->Release(); }

        // The types in the order offered: the decoder's own picture, then the two RGB layouts.
        HRESULT Connect(IPin* pReceivePin, const AM_MEDIA_TYPE*) override {
            if (!pReceivePin) return E_POINTER;
            if (input) return VFW_E_ALREADY_CONNECTED;
            const MovieReader& r = filter_->reader_;
            VIDEOINFOHEADER2 native{};
            native.bmiHeader = VideoHeader(r.Width(), r.Height(), 12, r.FrameDuration()).bmiHeader;
            native.AvgTimePerFrame = r.FrameDuration();
            const CMediaType offers[] = {
                VideoType(MEDIASUBTYPE_Native, FORMAT_VideoInfo2, native),
                VideoType(MEDIASUBTYPE_RGB32, FORMAT_VideoInfo,
                          VideoHeader(r.Width(), r.Height(), 32, r.FrameDuration())),
                VideoType(MEDIASUBTYPE_RGB24, FORMAT_VideoInfo,
                          VideoHeader(r.Width(), r.Height(), 24, r.FrameDuration())),
            };
            for (const CMediaType& mt : offers) {
                // Only the 24-bit layout can be delivered; the others are offered as a decoder
                // would offer them, and the renderer's answer to each is asked for.
                if (pReceivePin->QueryAccept(&mt) != S_OK) continue;
                if (!(mt.subtype == MEDIASUBTYPE_RGB24)) continue;
                if (const HRESULT hr = pReceivePin->ReceiveConnection(this, &mt); FAILED(hr)) return hr;
                IMemInputPin* mem = nullptr;
                if (FAILED(pReceivePin->QueryInterface(IID_IMemInputPin, reinterpret_cast<void**>(&mem)))) {
                    pReceivePin->Disconnect();
                    return VFW_E_CANNOT_CONNECT;
                }
                pReceivePin->AddRef();
                input = pReceivePin;
                memInput = mem;
                return S_OK;
            }
            return VFW_E_CANNOT_CONNECT;
        }
        HRESULT ReceiveConnection(IPin*, const AM_MEDIA_TYPE*) override { return E_UNEXPECTED; }
        HRESULT QueryAccept(const AM_MEDIA_TYPE*) override { return S_FALSE; }
        HRESULT Disconnect() override {
            if (!input) return S_FALSE;
            input->Disconnect();
            memInput->Release();
            input->Release();
            memInput = nullptr;
            input = nullptr;
            return S_OK;
        }
        HRESULT ConnectedTo(IPin** ppPin) override {
            if (!ppPin) return E_POINTER;
            *ppPin = input;
            if (!input) return VFW_E_NOT_CONNECTED;
            input->AddRef();
            return S_OK;
        }
        HRESULT QueryDirection(PIN_DIRECTION* pPinDir) override {
            if (!pPinDir) return E_POINTER;
            *pPinDir = PINDIR_OUTPUT;
            return S_OK;
        }
        HRESULT EndOfStream() override { return E_UNEXPECTED; }

        IPin* input = nullptr;
        IMemInputPin* memInput = nullptr;

    private:
        MovieSource* filter_;
    };

    ~MovieSource() { Stop(); }

    void Stream() {
        ++g_liveStreams;
        auto* sample = new Sample();
        bool delivered = true;
        while (!stopping_) {
            if (!reader_.Next(sample->data, &sample->start, &sample->stop)) break;
            if (FAILED(pin_.memInput->Receive(sample))) {
                delivered = false;  // the renderer stopped
                break;
            }
        }
        if (delivered && !stopping_) pin_.input->EndOfStream();
        sample->Release();
        --g_liveStreams;
    }

    OutputPin pin_;
    MovieReader reader_;
    std::thread thread_;
    std::atomic<bool> stopping_{false};
    std::atomic<FILTER_STATE> state_{State_Stopped};
};

}  // namespace

HRESULT CreateMovieSource(const char* path, IBaseFilter** ppFilter) {
    if (!ppFilter) return E_POINTER;
    *ppFilter = nullptr;
    auto* source = new MovieSource();
    if (const HRESULT hr = source->Open(path); FAILED(hr)) {
        source->Release();
        return hr;
    }
    *ppFilter = source;
    return S_OK;
}

int LiveStreams() { return g_liveStreams.load(); }

}  // namespace dshow
