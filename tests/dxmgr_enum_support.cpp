#include "tests/dxmgr_enum_support.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

const char kWindowClass[] = "CorvaneEnumTestWindow";

ATOM RegisterTestClass()
{
    static ATOM atom = 0;
    if (atom == 0) {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
        wc.lpszClassName = kWindowClass;
        atom = RegisterClassA(&wc);
    }
    return atom;
}

}  // namespace

TestWindow::TestWindow()
{
    RegisterTestClass();
    RECT rc = {0, 0, 320, 240};
    AdjustWindowRect(&rc, WS_OVERLAPPEDWINDOW, FALSE);
    m_hwnd = CreateWindowA(kWindowClass, "DXMgr enumeration test", WS_OVERLAPPEDWINDOW, 0, 0, rc.right - rc.left,
                           rc.bottom - rc.top, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (m_hwnd != nullptr) ShowWindow(m_hwnd, SW_SHOWNOACTIVATE);
}

TestWindow::~TestWindow()
{
    if (m_hwnd != nullptr) DestroyWindow(m_hwnd);
}

std::string Hex(HRESULT hr)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(hr));
    return text;
}

std::string GuidText(const GUID& g)
{
    char text[40];
    std::snprintf(text, sizeof text, "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned long>(g.Data1), g.Data2, g.Data3, g.Data4[0], g.Data4[1], g.Data4[2],
                  g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
    return text;
}

Ref<IDXMgr> NewManager()
{
    IDXMgr* p = nullptr;
    const HRESULT hr = DXMgrCreate(IID_IDXMgr, &p);
    EXPECT_EQ(S_OK, hr) << "DXMgrCreate returned " << Hex(hr);
    return Ref<IDXMgr>(p);
}

Ref<IDXMgr> InitializedManager(HWND hwnd)
{
    Ref<IDXMgr> mgr = NewManager();
    if (mgr) {
        const HRESULT hr = mgr->Initialize(nullptr, hwnd, 0);
        EXPECT_EQ(S_OK, hr) << "Initialize returned " << Hex(hr);
        if (FAILED(hr)) mgr.Reset();
    }
    return mgr;
}

DXMGRENABLE WindowedEnable(HWND hwnd, DWORD dwEnableFlags)
{
    DXMGRENABLE enable = {};
    enable.dwFlags = dwEnableFlags;
    enable.hwndDevice = hwnd;
    enable.dvNear = 1.0f;
    enable.dvFar = 10.0f;
    return enable;
}

Ref<IDXMgr> EnabledManager(HWND hwnd, DWORD dwEnableFlags)
{
    Ref<IDXMgr> mgr = InitializedManager(hwnd);
    if (mgr) {
        const DXMGRENABLE enable = WindowedEnable(hwnd, dwEnableFlags);
        const HRESULT hr = mgr->Enable(&enable);
        EXPECT_EQ(S_OK, hr) << "Enable(" << Hex(dwEnableFlags) << ") returned " << Hex(hr);
        if (FAILED(hr)) mgr.Reset();
    }
    return mgr;
}
