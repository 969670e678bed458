// D3DX vertex-shader assembly and the buffer object it returns results in.
//
// The assembler takes vs.1.0 / vs.1.1 text and gives Direct3D 8 shader tokens. A failure returns
// a failing HRESULT and, when asked for, the messages as NUL-terminated text in an error buffer,
// one line per fault: "name(line): error: what"; past 32 faults, one more line counts the rest.
#pragma once

#include "d3d8/d3d8.h"

// A block of bytes with a COM reference count: a new buffer holds one reference.
struct ID3DXBuffer : public IUnknown {
    virtual LPVOID GetBufferPointer() = 0;
    virtual DWORD GetBufferSize() = 0;

protected:
    ~ID3DXBuffer() = default;
};
using LPD3DXBUFFER = ID3DXBuffer*;

inline constexpr GUID IID_ID3DXBuffer = {0xab15a002, 0x0d38, 0x4d01, {0xa0, 0x02, 0, 0, 0, 0, 0, 0x01}};

#ifndef D3DXERR_INVALIDDATA
#define D3DXERR_INVALIDDATA MAKE_HRESULT(1, 0x876, 2905)
#endif

// A zeroed buffer of numBytes bytes. Null output pointers give D3DERR_INVALIDCALL here and below.
HRESULT D3DXCreateBuffer(DWORD numBytes, LPD3DXBUFFER* ppBuffer);

// Assembles srcDataLen bytes of shader text. Flags are accepted and ignored. On success
// *ppCompiledShader holds the tokens; *ppConstants (when asked for) holds the def registers as
// vertex-declaration constant tokens, or nullptr when the shader has none. The def registers are
// also kept in the tokens themselves, so a shader created without the declaration still sees them.
HRESULT D3DXAssembleShader(LPCVOID pSrcData, UINT srcDataLen, DWORD flags, LPD3DXBUFFER* ppConstants,
                           LPD3DXBUFFER* ppCompiledShader, LPD3DXBUFFER* ppCompilationErrors);

// As D3DXAssembleShader, reading the text from a file named the Windows way. A file that cannot
// be read, or is larger than 1 MB, gives E_FAIL and a line that says which.
HRESULT D3DXAssembleShaderFromFileA(LPCSTR pSrcFile, DWORD flags, LPD3DXBUFFER* ppConstants,
                                    LPD3DXBUFFER* ppCompiledShader, LPD3DXBUFFER* ppCompilationErrors);
