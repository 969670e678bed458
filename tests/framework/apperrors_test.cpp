#include <gtest/gtest.h>

#include <cstring>

#include "framework/apperrors.h"

TEST(AppErrors, EveryCodeHasItsExactText) {
    struct Case {
        DWORD code;
        const char* text;
    } cases[] = {
        {0x82000001,
         "Could not initialize Direct3D. You may\nwant to check that the latest version of\nDirectX is correctly "
         "installed on your\nsystem.  Also make sure that this program\nwas compiled with header files that match\n"
         "the installed DirectX DLLs."},
        {0x82000003, "Could not find any compatible Direct3D\ndevices."},
        {0x82000004,
         "This sample cannot run in a desktop\nwindow with the current display settings.\nPlease change your desktop "
         "settings to a\n16- or 32-bit display mode and re-run this\nsample."},
        {0x82000005, "No hardware-accelerated Direct3D devices\nwere found."},
        {0x82000006,
         "This sample requires functionality that is\nnot available on your Direct3D hardware\naccelerator."},
        {0x82000007,
         "Your Direct3D hardware accelerator cannot\nrender into a window.\nPress F2 while the app is running to see "
         "a\nlist of available devices and modes."},
        {0x82000008,
         "Your Direct3D hardware accelerator cannot\nrender into a window with the current\ndesktop display "
         "settings.\nPress F2 while the app is running to see a\nlist of available devices and modes."},
        {0x82000009,
         "This sample requires functionality that is\nnot available on your Direct3D hardware\naccelerator with the "
         "current desktop display\nsettings.\nPress F2 while the app is running to see a\nlist of available devices "
         "and modes."},
        {0x8200000A, "A D3D object has a non-zero reference\ncount (meaning things were not properly\ncleaned up)."},
        {0x8200000B, "Could not load required media."},
        {0x8200000C, "Could not reset the Direct3D device."},
        {0x8007000E, "Not enough memory."},
        {0x8876017C, "Not enough video memory."},
        // No text of their own: the skipped value of the series, others of ours, platform codes.
        {0x82000002, "Generic application error. Enable\ndebug output for detailed information."},
        {0x8200000D, "Generic application error. Enable\ndebug output for detailed information."},
        {0x80004005, "Generic application error. Enable\ndebug output for detailed information."},
        {0, "Generic application error. Enable\ndebug output for detailed information."},
    };
    for (const Case& c : cases) EXPECT_STREQ(AppErrorText(static_cast<HRESULT>(c.code)), c.text) << std::hex << c.code;
}

TEST(AppErrors, BoxTypesAddTheirSuffixAndIcon) {
    char msg[512];
    AppErrorBuildMessage(AppErrResetFailed, ErrorBoxFatal, msg);
    EXPECT_STREQ(msg, "Could not reset the Direct3D device.\n\nThis sample will now exit.");
    EXPECT_EQ(AppErrorIcon(ErrorBoxFatal), 0x10u);

    AppErrorBuildMessage(static_cast<HRESULT>(0x8876017C), ErrorBoxReferenceWarning, msg);
    EXPECT_STREQ(msg,
                 "Not enough video memory.\n\nSwitching to the reference rasterizer,\na software device that "
                 "implements the entire\nDirect3D feature set, but runs very slowly.");
    EXPECT_EQ(AppErrorIcon(ErrorBoxReferenceWarning), 0x30u);

    AppErrorBuildMessage(AppErrMediaNotFound, 7, msg);
    EXPECT_STREQ(msg, "Could not load required media.");
    EXPECT_EQ(AppErrorIcon(7), 0x30u);
}

TEST(AppErrors, LongestTextWithEitherSuffixFitsTheBuffer) {
    for (DWORD code = 0x82000001; code <= 0x8200000C; ++code)
        for (DWORD type : {ErrorBoxFatal, ErrorBoxReferenceWarning}) {
            const HRESULT hr = static_cast<HRESULT>(code);
            EXPECT_LT(std::strlen(AppErrorText(hr)) + std::strlen(AppErrorSuffix(type)), 512u);
        }
}
