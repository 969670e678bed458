// Leaving full screen for a device that can render in a window, and a failing hardware device
// replaced by adapter 0's reference device, on two scripted adapters.
#include <gmock/gmock.h>

#include "app_fixture.h"

namespace fwtest {
namespace {

using ::testing::internal::CaptureStderr;
using ::testing::internal::GetCapturedStderr;

class FallBackTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        d3d8::RecordAdapter second = d3d8::RecordScenario::DefaultAdapter();
        second.description = "Second adapter";
        script_->adapters = {d3d8::RecordScenario::DefaultAdapter(), second};
    }
    D3DAppDevice& Device(DWORD a, D3DDEVTYPE type) {
        D3DAppAdapter& adapter = app_->m_aAdapters[a];
        for (DWORD d = 0; d < adapter.dwDeviceCount; ++d)
            if (adapter.aDevices[d].DeviceType == type) return adapter.aDevices[d];
        ADD_FAILURE() << "no such device on adapter " << a;
        return adapter.aDevices[0];
    }
    // Into full screen, then marks which devices can render in a window; the others were last used in
    // full screen too, so only the fall-back itself can make them windowed.
    void FullScreenWithWindowingDevices(bool bHal0, bool bRef0, bool bHal1) {
        ASSERT_EQ(app_->SwitchFullscreen(), S_OK);
        ASSERT_FALSE(app_->m_bWindowedMode);
        Device(0, D3DDEVTYPE_REF).bWindowed = FALSE;
        Device(1, D3DDEVTYPE_HAL).bWindowed = FALSE;
        Device(0, D3DDEVTYPE_HAL).bCanWindow = bHal0;
        Device(0, D3DDEVTYPE_REF).bCanWindow = bRef0;
        Device(1, D3DDEVTYPE_HAL).bCanWindow = bHal1;
    }
};

TEST_F(FallBackTest, LeavingFullScreenTakesTheFirstDeviceThatCanRenderInAWindow) {
    const struct {
        const char* szWhat;
        bool bHal0, bRef0, bHal1;
        DWORD nAdapter;
        D3DDEVTYPE type;
    } cases[] = {
        {"adapter 0's reference device, before adapter 1", false, true, true, 0, D3DDEVTYPE_REF},
        {"adapter 1's hardware device", false, false, true, 1, D3DDEVTYPE_HAL},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.szWhat);
        app_ = std::make_unique<TestApp>();
        ASSERT_EQ(Create(), S_OK);
        FullScreenWithWindowingDevices(c.bHal0, c.bRef0, c.bHal1);
        const int nCreated = app_->Count("OnDeviceCreated");
        ASSERT_EQ(app_->SwitchFullscreen(), S_OK);
        EXPECT_EQ(app_->m_dwCurAdapter, c.nAdapter);
        EXPECT_EQ(app_->CurrentDevice()->DeviceType, c.type);
        EXPECT_TRUE(app_->m_bWindowedMode);
        EXPECT_TRUE(app_->CurrentDevice()->bWindowed);
        EXPECT_TRUE(app_->m_presentParams.Windowed) << "the new device renders in the window";
        EXPECT_EQ(app_->m_backBufferDesc.Width, 400u) << "at the window's size";
        EXPECT_EQ(app_->Count("OnDeviceCreated"), nCreated + 1) << "a new device";
        EXPECT_TRUE(app_->m_bDeviceReady);
        SendMessageA(app_->m_hWnd, WM_CLOSE, 0, 0);
    }
}

TEST_F(FallBackTest, AFailedResetIntoTheWindowRecreatesTheDeviceWindowed) {
    ASSERT_EQ(Create(), S_OK);
    ASSERT_EQ(app_->SwitchFullscreen(), S_OK);
    script_->inject = [n = 0](const char* call) mutable {
        return std::string(call) == "Reset" && n++ == 0 ? D3DERR_INVALIDCALL : S_OK;
    };
    const int nCreated = app_->Count("OnDeviceCreated");
    ASSERT_EQ(app_->SwitchFullscreen(), S_OK);
    EXPECT_EQ(app_->Count("OnDeviceCreated"), nCreated + 1);
    EXPECT_TRUE(app_->m_bWindowedMode);
    EXPECT_TRUE(app_->m_presentParams.Windowed);
    EXPECT_EQ(app_->CurrentDevice()->DeviceType, D3DDEVTYPE_HAL) << "the device could render in a window";
}

TEST_F(FallBackTest, AFailingHardwareDeviceOnAdapter1GivesWayToAdapter0sReferenceDeviceInItsOwnMode) {
    ASSERT_EQ(Create(), S_OK);
    FullScreenWithWindowingDevices(false, false, true);
    // Adapter 0's reference device was last used in full screen: the fall-back takes that state.
    script_->inject = [n = 0](const char* call) mutable {
        return std::string(call) == "CreateDevice" && n++ == 0 ? D3DERR_OUTOFVIDEOMEMORY : S_OK;
    };
    CaptureStderr();
    EXPECT_EQ(app_->SwitchFullscreen(), S_OK);
    EXPECT_THAT(GetCapturedStderr(), ::testing::HasSubstr("Switching to the reference rasterizer"));
    EXPECT_EQ(app_->m_dwCurAdapter, 0u);
    EXPECT_EQ(app_->CurrentDevice()->DeviceType, D3DDEVTYPE_REF);
    EXPECT_FALSE(app_->m_bWindowedMode);
    EXPECT_FALSE(app_->m_presentParams.Windowed);
}

}  // namespace
}  // namespace fwtest
