// DXMgrCreate on a system without ddraw.dll. CTest runs this program with
// WINEDLLOVERRIDES=ddraw=d, which makes the library impossible to load.
#include "dxmgr/dxmgr.h"
#include "tests/support/debug_output_capture.h"

#include <gtest/gtest.h>

#include <cstdio>

TEST(DXMgrCreateWithoutDirectDraw, FailsWithDirectXRequiredAndItsLine)
{
    HMODULE hDDraw = LoadLibraryA("ddraw.dll");
    if (hDDraw != nullptr)
        FreeLibrary(hDDraw);
    ASSERT_EQ(hDDraw, nullptr) << "ddraw.dll loads: run with WINEDLLOVERRIDES=ddraw=d";

    DebugOutputCapture capture;
    IDXMgr* pManager = reinterpret_cast<IDXMgr*>(0x1234);
    HRESULT hr = DXMgrCreate(IID_IDXMgr, &pManager);
    char text[16];
    std::snprintf(text, sizeof(text), "0x%08lx", static_cast<unsigned long>(hr));
    EXPECT_EQ(hr, DXMGRERR_DIRECTXREQUIRED) << text;
    EXPECT_EQ(capture.Lines(), std::vector<std::string>({"DXMgr: DXMgrCreate: Failed to load ddraw.dll\n"}));
    EXPECT_EQ(pManager, reinterpret_cast<IDXMgr*>(0x1234)) << "the out pointer must not be written";
}
