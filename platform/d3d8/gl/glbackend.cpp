#include "d3d8/device.h"

namespace d3d8 {
namespace {
class Stub final : public Backend {
public:
    HRESULT Create(const D3DPRESENT_PARAMETERS&) override { return D3DERR_NOTAVAILABLE; }
    HRESULT Reset(const D3DPRESENT_PARAMETERS&) override { return D3DERR_NOTAVAILABLE; }
    HRESULT Clear(DWORD, const D3DRECT*, DWORD, D3DCOLOR, float, DWORD) override { return D3D_OK; }
    HRESULT Draw(const DrawCall&) override { return D3D_OK; }
    HRESULT Present() override { return D3D_OK; }
};
}  // namespace
std::unique_ptr<Backend> MakeGlBackend(DeviceImpl&) { return std::make_unique<Stub>(); }
}  // namespace d3d8
