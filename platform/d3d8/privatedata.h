// The data a program attaches to a resource by GUID (IDirect3DResource8::SetPrivateData): bytes
// copied in, or an interface that the resource holds a reference on until the data is freed,
// replaced, or the resource's last public reference goes.
#pragma once

#include <vector>

#include "d3d8/d3d8.h"

namespace d3d8 {

class PrivateData {
public:
    PrivateData() = default;
    PrivateData(const PrivateData&) = delete;
    PrivateData& operator=(const PrivateData&) = delete;
    ~PrivateData() { Clear(); }

    HRESULT Set(REFGUID guid, const void* data, DWORD size, DWORD flags);
    HRESULT Get(REFGUID guid, void* data, DWORD* size) const;
    HRESULT Free(REFGUID guid);
    // Drops everything; the interfaces are released after the entries are gone, so a Release
    // that reaches back into this resource finds it empty.
    void Clear();

private:
    struct Entry {
        GUID guid;
        std::vector<BYTE> bytes;
        IUnknown* object = nullptr;
    };
    std::vector<Entry> entries_;
};

}  // namespace d3d8
