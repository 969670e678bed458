#include "d3d8/privatedata.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace d3d8 {

HRESULT PrivateData::Set(REFGUID guid, const void* data, DWORD size, DWORD flags) {
    if (!data && size != 0) return D3DERR_INVALIDCALL;
    if ((flags & D3DSPD_IUNKNOWN) && (size != sizeof(IUnknown*) || !data)) return D3DERR_INVALIDCALL;
    // Everything that allocates comes before the reference is taken and the old entry dropped.
    entries_.reserve(entries_.size() + 1);
    Entry entry{guid, {}, nullptr};
    if (flags & D3DSPD_IUNKNOWN) {
        // The interface pointer itself is the data.
        entry.object = static_cast<IUnknown*>(const_cast<void*>(data));
    } else {
        entry.bytes.assign(static_cast<const BYTE*>(data), static_cast<const BYTE*>(data) + size);
    }
    if (entry.object) entry.object->AddRef();
    Free(guid);
    entries_.push_back(std::move(entry));
    return D3D_OK;
}

HRESULT PrivateData::Get(REFGUID guid, void* data, DWORD* size) const {
    if (!size) return D3DERR_INVALIDCALL;
    const auto it = std::find_if(entries_.begin(), entries_.end(), [&](const Entry& e) { return e.guid == guid; });
    if (it == entries_.end()) return D3DERR_NOTFOUND;
    const DWORD needed = it->object ? DWORD{sizeof(IUnknown*)} : static_cast<DWORD>(it->bytes.size());
    if (!data || *size < needed) {
        *size = needed;
        return data ? D3DERR_MOREDATA : D3D_OK;
    }
    *size = needed;
    if (it->object) {
        it->object->AddRef();
        std::memcpy(data, &it->object, sizeof(IUnknown*));
    } else if (needed) {
        std::memcpy(data, it->bytes.data(), needed);
    }
    return D3D_OK;
}

HRESULT PrivateData::Free(REFGUID guid) {
    const auto it = std::find_if(entries_.begin(), entries_.end(), [&](const Entry& e) { return e.guid == guid; });
    if (it == entries_.end()) return D3DERR_NOTFOUND;
    IUnknown* object = it->object;
    entries_.erase(it);
    if (object) object->Release();
    return D3D_OK;
}

void PrivateData::Clear() {
    std::vector<Entry> entries = std::exchange(entries_, {});
    for (Entry& e : entries)
        if (e.object) e.object->Release();
}

}  // namespace d3d8
