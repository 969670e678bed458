// The record backend: no GL. Each draw is logged with a copy of everything it saw.
#include <algorithm>
#include <cstddef>
#include <cstring>

#include "d3d8/backends.h"
#include "d3d8/device.h"

namespace d3d8 {

namespace {

class RecordBackend final : public Backend {
public:
    explicit RecordBackend(DeviceImpl& device) : device_(device) {}

    HRESULT Create(const D3DPRESENT_PARAMETERS&) override { return D3D_OK; }
    HRESULT Reset(const D3DPRESENT_PARAMETERS&) override { return D3D_OK; }
    HRESULT Clear(DWORD, const D3DRECT*, DWORD flags, D3DCOLOR color, float, DWORD) override {
        if (flags & D3DCLEAR_TARGET) clearColor_ = color;
        return D3D_OK;
    }
    HRESULT Present() override { return D3D_OK; }
    void Trace(const char* method, std::initializer_list<DWORD> args, const void* object) override {
        Call c;
        c.method = method;
        c.args.assign(args.begin(), args.end());
        c.object = object;
        log_.push_back(std::move(c));
        ++frameCalls_;
        // A long run keeps its log bounded: each Present, failed ones too, ends a frame, and only
        // that frame's calls stay (fewer when the owner cut the log short meanwhile).
        if (std::strcmp(method, "Present") == 0) {
            if (log_.size() > frameCalls_)
                log_.erase(log_.begin(), log_.end() - static_cast<std::ptrdiff_t>(frameCalls_));
            frameCalls_ = 0;
        }
    }
    std::vector<Call>& Log() { return log_; }

    HRESULT ReadBack(SurfaceImpl* surface) override {
        auto& px = surface->Pixels();
        for (size_t i = 0; i + 4 <= px.size(); i += 4) std::memcpy(&px[i], &clearColor_, 4);
        return D3D_OK;
    }

    HRESULT Draw(const DrawCall& call) override {
        const DeviceState& s = device_.State();
        auto r = std::make_shared<DrawRecord>();
        r->type = call.type;
        r->indexed = call.indexed;
        r->startVertex = call.startVertex;
        r->vertexCount = call.indexed ? call.vertexCount : call.vertexTotal;
        r->startIndex = call.startIndex;
        r->primitiveCount = call.primitiveCount;
        r->baseVertexIndex = call.indexed && !call.upIndices ? s.baseVertexIndex : 0;
        r->vertexShader = s.vertexShader;
        r->renderStates.assign(s.renderStates.begin(), s.renderStates.end());
        for (const auto& stage : s.stageStates) r->stageStates.emplace_back(stage.begin(), stage.end());
        for (int i = 0; i < kStages; ++i) r->textures[i] = static_cast<IDirect3DBaseTexture8*>(s.textures[i].get());
        for (int i = 0; i < kConstants; ++i)
            for (int c = 0; c < 4; ++c) r->constants[i][c] = s.constants[i][c];
        r->world = s.transforms[D3DTS_WORLD];
        r->view = s.transforms[D3DTS_VIEW];
        r->projection = s.transforms[D3DTS_PROJECTION];
        r->material = s.material;

        UINT first = call.indexed ? r->baseVertexIndex + call.startVertex : call.startVertex;
        UINT count = r->vertexCount;
        if (call.upVertices) {
            StreamCopy sc;
            sc.stride = call.upStride;
            sc.firstVertex = first;
            const BYTE* begin = call.upVertices + static_cast<size_t>(first) * call.upStride;
            sc.data.assign(begin, begin + static_cast<size_t>(count) * call.upStride);
            r->streams.push_back(std::move(sc));
        } else {
            for (int i = 0; i < kStreams; ++i) {
                const StreamBinding& b = s.streams[i];
                if (!b.buffer) continue;
                StreamCopy sc;
                sc.buffer = static_cast<IDirect3DVertexBuffer8*>(b.buffer.get());
                sc.stride = b.stride;
                sc.firstVertex = first;
                const auto& data = b.buffer->Data();
                size_t from = std::min(data.size(), static_cast<size_t>(first) * b.stride);
                size_t to = std::min(data.size(), from + static_cast<size_t>(count) * b.stride);
                sc.data.assign(data.begin() + from, data.begin() + to);
                r->streams.push_back(std::move(sc));
            }
        }
        if (call.indexed) {
            const BYTE* p;
            bool wide;
            if (call.upIndices) {
                p = static_cast<const BYTE*>(call.upIndices);
                wide = call.upIndexFormat == D3DFMT_INDEX32;
            } else {
                p = s.indices->Data().data();
                wide = s.indices->FvfOrFormat() == D3DFMT_INDEX32;
            }
            p += static_cast<size_t>(call.startIndex) * (wide ? 4 : 2);
            r->indices.resize(call.indexCount);
            for (UINT i = 0; i < call.indexCount; ++i) {
                if (wide) {
                    DWORD d;
                    std::memcpy(&d, p + 4 * i, 4);
                    r->indices[i] = static_cast<WORD>(d);
                } else {
                    std::memcpy(&r->indices[i], p + 2 * i, 2);
                }
            }
        }
        if (!log_.empty()) log_.back().draw = std::move(r);
        return D3D_OK;
    }

private:
    DeviceImpl& device_;
    std::vector<Call> log_;
    size_t frameCalls_ = 0;  // calls since the last Present
    D3DCOLOR clearColor_ = 0;
};

}  // namespace

BackendProfile RecordProfile() {
    BackendProfile p;
    p.make = [](DeviceImpl& device) -> std::unique_ptr<Backend> { return std::make_unique<RecordBackend>(device); };
    return p;  // the default limits
}

std::vector<Call>* RecordLog(IDirect3DDevice8* device) {
    auto* d = dynamic_cast<DeviceImpl*>(device);
    auto* record = d ? dynamic_cast<RecordBackend*>(&d->GetBackend()) : nullptr;
    return record ? &record->Log() : nullptr;
}

}  // namespace d3d8
