// The running-object table: objects a process makes findable by a moniker, so that a tool can
// attach to them while they run. Here the table is the process's own (nothing outside the process
// can look into it), and the only moniker kind is the item moniker, named by its delimiter and item
// text.
#pragma once

#include "win32/com.h"

inline constexpr GUID IID_IMoniker = {0x0000000f, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr GUID IID_IRunningObjectTable = {0x00000010, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

#define MK_E_UNAVAILABLE static_cast<HRESULT>(0x800401E3)

struct IMoniker : IUnknown {
    // S_OK when the other moniker names the same object, S_FALSE otherwise.
    virtual HRESULT IsEqual(IMoniker* pmkOther) = 0;
    // The display name (delimiter then item), in memory from CoTaskMemAlloc that the caller frees.
    // The bind context and the moniker to the left are not used by item monikers.
    virtual HRESULT GetDisplayName(IUnknown* pbc, IMoniker* pmkToLeft, LPWSTR* ppszDisplayName) = 0;

protected:
    ~IMoniker() = default;
};

struct IRunningObjectTable : IUnknown {
    // Holds a reference to the object under the moniker until Revoke; the cookie names the entry.
    // MK_S_MONIKERALREADYREGISTERED is not reported: a second entry of the same name is kept too.
    virtual HRESULT Register(DWORD grfFlags, IUnknown* punkObject, IMoniker* pmkObjectName, DWORD* pdwRegister) = 0;
    // Releases the entry's object; E_INVALIDARG for a cookie that names no entry.
    virtual HRESULT Revoke(DWORD dwRegister) = 0;
    // S_OK when an object is registered under an equal moniker, S_FALSE otherwise.
    virtual HRESULT IsRunning(IMoniker* pmkObjectName) = 0;
    // The first object registered under an equal moniker, with a reference for the caller;
    // MK_E_UNAVAILABLE when there is none.
    virtual HRESULT GetObject(IMoniker* pmkObjectName, IUnknown** ppunkObject) = 0;

protected:
    ~IRunningObjectTable() = default;
};

// The process's table, with a reference for the caller. The reserved value must be 0.
HRESULT GetRunningObjectTable(DWORD reserved, IRunningObjectTable** pprot);
HRESULT CreateItemMoniker(LPCWSTR lpszDelim, LPCWSTR lpszItem, IMoniker** ppmk);

void* CoTaskMemAlloc(std::size_t cb);
void CoTaskMemFree(void* pv);

namespace win32 {
// Entries in the process's table (tests: every Register paired with its Revoke).
int RunningObjectCount();
}  // namespace win32
