// Vertex shaders and draw calls: every range is checked before a backend reads memory.
#include <algorithm>
#include <cstring>

#include "d3d8/device.h"
#include "d3d8/formats.h"

namespace d3d8 {

namespace {

UINT VerticesFor(D3DPRIMITIVETYPE type, UINT primitives) {
    switch (type) {
        case D3DPT_POINTLIST: return primitives;
        case D3DPT_LINELIST: return primitives * 2;
        case D3DPT_LINESTRIP: return primitives + 1;
        case D3DPT_TRIANGLELIST: return primitives * 3;
        case D3DPT_TRIANGLESTRIP:
        case D3DPT_TRIANGLEFAN: return primitives + 2;
        default: return 0;
    }
}

constexpr UINT kMaxPrimitives = 0xFFFFF;

}  // namespace

HRESULT DeviceImpl::CreateVertexShader(const DWORD* declaration, const DWORD* function, DWORD* handle, DWORD usage) {
    if (!handle || !declaration) return D3DERR_INVALIDCALL;
    if (usage & ~D3DUSAGE_SOFTWAREPROCESSING) return D3DERR_INVALIDCALL;
    auto shader = std::make_shared<VertexShader>();
    HRESULT hr = ParseDeclaration(declaration, *shader);
    if (FAILED(hr)) return hr;
    if (function) {
        hr = CheckFunction(function, shader->function);
        if (FAILED(hr)) return hr;
        // Hardware vertex processing runs only the version its caps report; software processing
        // runs every vs.1.x the checks above let through.
        const bool software = (behavior_ & D3DCREATE_SOFTWARE_VERTEXPROCESSING) ||
                              ((behavior_ & D3DCREATE_MIXED_VERTEXPROCESSING) && (usage & D3DUSAGE_SOFTWAREPROCESSING));
        if (!software && function[0] > caps_.VertexShaderVersion) return D3DERR_INVALIDCALL;
    }
    hr = Inject("CreateVertexShader");
    if (FAILED(hr)) return hr;
    // Odd handles: a valid FVF always has bit 0 clear.
    shader->handle = (nextShader_++ << 1) | 1u;
    shaders_[shader->handle] = shader;
    *handle = shader->handle;
    LogCall("CreateVertexShader", {*handle});
    return D3D_OK;
}

HRESULT DeviceImpl::SetVertexShader(DWORD handle) {
    std::shared_ptr<VertexShader> shader;
    if (handle & 1u) {
        auto it = shaders_.find(handle);
        if (it == shaders_.end()) return D3DERR_INVALIDCALL;
        shader = it->second;
    } else if (!IsValidFvf(handle)) {
        return D3DERR_INVALIDCALL;
    }
    LogCall("SetVertexShader", {handle});
    DeviceState& s = Target();
    s.vertexShader = handle;
    s.shader = shader;
    if (auto* mask = RecordMask()) mask->vertexShader = true;
    if (shader)
        for (auto& [reg, value] : shader->declConstants) {
            for (int c = 0; c < 4; ++c) s.constants[reg][c] = value[c];
            if (auto* mask = RecordMask()) mask->constants.set(reg);
        }
    return D3D_OK;
}

HRESULT DeviceImpl::GetVertexShader(DWORD* handle) {
    if (!handle) return D3DERR_INVALIDCALL;
    *handle = state_.vertexShader;
    return D3D_OK;
}

HRESULT DeviceImpl::DeleteVertexShader(DWORD handle) {
    auto it = shaders_.find(handle);
    if (it == shaders_.end()) return D3DERR_INVALIDCALL;
    LogCall("DeleteVertexShader", {handle});
    backend_->ForgetShader(it->second.get());
    shaders_.erase(it);
    if (state_.vertexShader == handle) {
        state_.vertexShader = 0;
        state_.shader.reset();
    }
    return D3D_OK;
}

namespace {
HRESULT CopyTokens(const std::vector<DWORD>& tokens, void* data, DWORD* size) {
    if (!size) return D3DERR_INVALIDCALL;
    DWORD bytes = static_cast<DWORD>(tokens.size() * sizeof(DWORD));
    if (!data) {
        *size = bytes;
        return D3D_OK;
    }
    if (*size < bytes) {
        *size = bytes;
        return D3DERR_MOREDATA;
    }
    std::memcpy(data, tokens.data(), bytes);
    *size = bytes;
    return D3D_OK;
}
}  // namespace

HRESULT DeviceImpl::GetVertexShaderDeclaration(DWORD handle, void* data, DWORD* size) {
    auto it = shaders_.find(handle);
    if (it == shaders_.end()) return D3DERR_INVALIDCALL;
    return CopyTokens(it->second->declaration, data, size);
}

HRESULT DeviceImpl::GetVertexShaderFunction(DWORD handle, void* data, DWORD* size) {
    auto it = shaders_.find(handle);
    if (it == shaders_.end()) return D3DERR_INVALIDCALL;
    return CopyTokens(it->second->function, data, size);
}

HRESULT DeviceImpl::CheckDrawState(const DrawCall& call) const {
    const DeviceState& s = state_;
    if (s.vertexShader == 0) return D3DERR_INVALIDCALL;
    // The highest vertex the draw may read, relative to the start of each stream.
    UINT first, last;
    if (call.indexed) {
        first = s.baseVertexIndex + call.startVertex;
        last = first + call.vertexCount - 1;
    } else {
        first = call.startVertex;
        last = first + call.vertexTotal - 1;
    }
    auto checkStream = [&](UINT stream, UINT needed) -> bool {
        if (call.upVertices) return stream == 0 && call.upStride >= needed;
        const StreamBinding& b = s.streams[stream];
        if (!b.buffer || b.stride == 0 || b.stride < needed) return false;
        unsigned long long end = static_cast<unsigned long long>(last) * b.stride + needed;
        return end <= b.buffer->Length();
    };
    if (s.shader) {
        for (UINT st = 0; st < 16; ++st)
            if ((s.shader->usedStreams >> st) & 1u)
                if (!checkStream(st, s.shader->streamSize[st])) return D3DERR_INVALIDCALL;
    } else if (!checkStream(0, FvfStride(s.vertexShader))) {
        return D3DERR_INVALIDCALL;
    }
    (void)first;
    return D3D_OK;
}

HRESULT DeviceImpl::Draw(DrawCall& call) {
    if (!inScene_) return D3DERR_INVALIDCALL;
    if (call.primitiveCount > kMaxPrimitives) return D3DERR_INVALIDCALL;
    UINT n = VerticesFor(call.type, call.primitiveCount);
    if (n == 0) return D3DERR_INVALIDCALL;
    if (call.indexed) {
        call.indexCount = n;
        if (call.vertexCount == 0) return D3DERR_INVALIDCALL;
        // Every index must land inside the declared vertex range, or a backend would read past a buffer.
        const BYTE* indices;
        UINT size;
        if (call.upIndices) {
            indices = static_cast<const BYTE*>(call.upIndices);
            size = call.upIndexFormat == D3DFMT_INDEX32 ? 4 : 2;
        } else {
            if (!state_.indices) return D3DERR_INVALIDCALL;
            size = state_.indices->FvfOrFormat() == D3DFMT_INDEX32 ? 4 : 2;
            unsigned long long end = (static_cast<unsigned long long>(call.startIndex) + n) * size;
            if (end > state_.indices->Length()) return D3DERR_INVALIDCALL;
            indices = state_.indices->Data().data();
        }
        const BYTE* p = indices + static_cast<size_t>(call.startIndex) * size;
        for (UINT i = 0; i < n; ++i) {
            UINT index;
            if (size == 2) {
                WORD w;
                std::memcpy(&w, p + 2 * i, 2);
                index = w;
            } else {
                DWORD d;
                std::memcpy(&d, p + 4 * i, 4);
                index = d;
            }
            if (index < call.startVertex || index >= call.startVertex + call.vertexCount) return D3DERR_INVALIDCALL;
        }
    } else {
        call.vertexTotal = n;
    }
    HRESULT hr = CheckDrawState(call);
    if (FAILED(hr)) return hr;
    return backend_->Draw(call);
}

HRESULT DeviceImpl::DrawPrimitive(D3DPRIMITIVETYPE type, UINT start, UINT count) {
    LogCall("DrawPrimitive", {type, start, count});
    if (count == 0) return D3D_OK;
    DrawCall c;
    c.type = type;
    c.startVertex = start;
    c.primitiveCount = count;
    return Draw(c);
}

HRESULT DeviceImpl::DrawIndexedPrimitive(D3DPRIMITIVETYPE type, UINT minIndex, UINT numVertices, UINT startIndex,
                                         UINT count) {
    LogCall("DrawIndexedPrimitive", {type, minIndex, numVertices, startIndex, count});
    if (count == 0) return D3D_OK;
    DrawCall c;
    c.type = type;
    c.indexed = true;
    c.startVertex = minIndex;
    c.vertexCount = numVertices;
    c.startIndex = startIndex;
    c.primitiveCount = count;
    return Draw(c);
}

HRESULT DeviceImpl::DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT count, const void* data, UINT stride) {
    LogCall("DrawPrimitiveUP", {type, count, stride});
    if (!data || stride == 0) return D3DERR_INVALIDCALL;
    if (count == 0) return D3D_OK;
    DrawCall c;
    c.type = type;
    c.primitiveCount = count;
    c.upVertices = static_cast<const BYTE*>(data);
    c.upStride = stride;
    HRESULT hr = Draw(c);
    // As in Direct3D 8, an UP draw leaves stream 0 unbound.
    state_.streams[0] = StreamBinding{};
    return hr;
}

HRESULT DeviceImpl::DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE type, UINT minIndex, UINT numVertices, UINT count,
                                           const void* indices, D3DFORMAT format, const void* data, UINT stride) {
    LogCall("DrawIndexedPrimitiveUP", {type, minIndex, numVertices, count, format, stride});
    if (!data || !indices || stride == 0 || (format != D3DFMT_INDEX16 && format != D3DFMT_INDEX32))
        return D3DERR_INVALIDCALL;
    if (count == 0) return D3D_OK;
    DrawCall c;
    c.type = type;
    c.indexed = true;
    c.startVertex = minIndex;
    c.vertexCount = numVertices;
    c.primitiveCount = count;
    c.upVertices = static_cast<const BYTE*>(data);
    c.upStride = stride;
    c.upIndices = indices;
    c.upIndexFormat = format;
    UINT savedBase = state_.baseVertexIndex;
    state_.baseVertexIndex = 0;  // UP indices count from the start of the given vertices
    HRESULT hr = Draw(c);
    state_.baseVertexIndex = savedBase;
    state_.streams[0] = StreamBinding{};
    state_.indices.reset();
    return hr;
}

}  // namespace d3d8
