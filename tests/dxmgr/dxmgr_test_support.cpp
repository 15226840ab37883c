#include "tests/dxmgr/dxmgr_test_support.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

const char kWindowClass[] = "CorvaneDXMgrTestWindow";

LRESULT CALLBACK TestWindowProc(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (uMsg == WM_ERASEBKGND)
        return 1;   // what is drawn comes from DirectDraw only
    return DefWindowProcA(hwnd, uMsg, wParam, lParam);
}

void RegisterTestWindowClass()
{
    static bool fRegistered = false;
    if (fRegistered)
        return;
    WNDCLASSA wc = {};
    wc.lpfnWndProc = TestWindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = kWindowClass;
    fRegistered = RegisterClassA(&wc) != 0;
}

} // namespace

TestWindow::TestWindow(int clientWidth, int clientHeight, int x, int y)
{
    RegisterTestWindowClass();
    // A pop-up window has no frame, so its client area is the whole window.
    m_hwnd = CreateWindowExA(WS_EX_TOPMOST, kWindowClass, "DXMgr test", WS_POPUP | WS_VISIBLE, x, y, clientWidth,
                             clientHeight, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    EXPECT_NE(m_hwnd, nullptr) << "CreateWindowExA failed, error " << GetLastError();
    PumpMessages();
}

TestWindow::~TestWindow()
{
    if (m_hwnd != nullptr)
        DestroyWindow(m_hwnd);
    PumpMessages();
}

void PumpMessages()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

IDXMgr* CreateManager()
{
    IDXMgr* pManager = nullptr;
    HRESULT hr = DXMgrCreate(IID_IDXMgr, &pManager);
    EXPECT_EQ(hr, S_OK) << "DXMgrCreate: " << Hex(hr);
    return SUCCEEDED(hr) ? pManager : nullptr;
}

IDXMgr* InitializedManager(HWND hwndFocus)
{
    IDXMgr* pManager = CreateManager();
    if (pManager == nullptr)
        return nullptr;
    HRESULT hr = pManager->Initialize(nullptr, hwndFocus, 0);
    EXPECT_EQ(hr, S_OK) << "Initialize: " << Hex(hr);
    if (FAILED(hr)) {
        pManager->Release();
        return nullptr;
    }
    return pManager;
}

DXMGRENABLE WindowedEnable(HWND hwnd, DWORD dwFlags)
{
    DXMGRENABLE enable = {};
    enable.dwFlags = dwFlags;
    enable.hwndDevice = hwnd;
    enable.dvNear = 1.0f;
    enable.dvFar = 10.0f;
    return enable;
}

IDXMgr* EnabledManager(HWND hwnd, DWORD dwFlags)
{
    IDXMgr* pManager = InitializedManager(hwnd);
    if (pManager == nullptr)
        return nullptr;
    DXMGRENABLE enable = WindowedEnable(hwnd, dwFlags);
    HRESULT hr = pManager->Enable(&enable);
    EXPECT_EQ(hr, S_OK) << "Enable with flags " << dwFlags << ": " << Hex(hr);
    if (FAILED(hr)) {
        pManager->Release();
        return nullptr;
    }
    return pManager;
}

GuardedMemory::GuardedMemory()
{
    SYSTEM_INFO si;
    GetSystemInfo(&si);
    m_cbPage = si.dwPageSize;
    m_pBase = static_cast<char*>(VirtualAlloc(nullptr, 2 * m_cbPage, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    EXPECT_NE(m_pBase, nullptr);
    DWORD dwOld = 0;
    EXPECT_TRUE(VirtualProtect(m_pBase + m_cbPage, m_cbPage, PAGE_NOACCESS, &dwOld));
}

GuardedMemory::~GuardedMemory()
{
    if (m_pBase != nullptr)
        VirtualFree(m_pBase, 0, MEM_RELEASE);
}

void* GuardedMemory::NoAccess() const
{
    return m_pBase + m_cbPage;
}

void* GuardedMemory::WritableTail(size_t cbWritable) const
{
    return m_pBase + m_cbPage - cbWritable;
}

std::string Hex(HRESULT hr)
{
    char text[16];
    std::snprintf(text, sizeof(text), "0x%08lx", static_cast<unsigned long>(hr));
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

std::vector<DXMGRDISPLAYMODE> DisplayModesOf(IDXMgr* manager)
{
    Ref<IEnumDisplayModes> modes;
    const HRESULT hr = manager->CreateEnumDisplayModes(modes.Out(), 0);
    EXPECT_EQ(S_OK, hr) << "CreateEnumDisplayModes: " << Hex(hr);
    if (FAILED(hr))
        return {};
    return ReadAll<IEnumDisplayModes, DXMGRDISPLAYMODE>(modes.Get());
}

std::vector<DDPIXELFORMAT> OwnZBufferFormatsOf(IDXMgr* manager)
{
    Ref<IEnumPixelFormats> formats;
    const HRESULT hr = manager->CreateEnumZBufferFormats(formats.Out(), nullptr, 0);
    EXPECT_EQ(S_OK, hr) << "CreateEnumZBufferFormats: " << Hex(hr);
    if (FAILED(hr))
        return {};
    return ReadAll<IEnumPixelFormats, DDPIXELFORMAT>(formats.Get());
}

GUID EnabledDeviceOf(IDXMgr* manager)
{
    DXMGRENABLEINFO info = {};
    const HRESULT hr = manager->GetEnableInfo(&info);
    EXPECT_EQ(S_OK, hr) << "GetEnableInfo: " << Hex(hr);
    return info.guidDevice;
}
