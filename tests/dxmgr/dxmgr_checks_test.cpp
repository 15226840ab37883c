// DXMgr's argument and state checks, each with its result and its exact
// diagnostic line, in the order the operations make them.
#include "dxmgr/dxmgr.h"
#include "tests/support/debug_output_capture.h"
#include "tests/dxmgr/dxmgr_test_support.h"
#include "tests/support/wait_scale.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

// Checks a result and the lines written while it was produced.
#define EXPECT_CALL_RESULT(capture, call, expectedHr, expectedLines)                                          \
    do {                                                                                                      \
        (capture).Clear();                                                                                    \
        HRESULT hrActual_ = (call);                                                                           \
        EXPECT_EQ(Hex(hrActual_), Hex(expectedHr)) << #call;                                                  \
        EXPECT_EQ((capture).Lines(), Lines(expectedLines)) << #call;                                          \
    } while (0)

#define NO_LINE Lines()
#define ONE_LINE(text) Lines({text})

template <typename T>
T Bad(const GuardedMemory& memory)
{
    return static_cast<T>(memory.NoAccess());
}

// Thread body: results[0] is DXMgrCreate's result, results[1] what a second
// CoInitializeEx returns afterwards (S_FALSE: still initialised; S_OK would
// mean COM was torn down under the thread).
DWORD WINAPI CreateManagerInMultithreadedApartment(LPVOID pv)
{
    HRESULT* results = static_cast<HRESULT*>(pv);
    if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)))
        return 1;
    IDXMgr* pManager = nullptr;
    results[0] = DXMgrCreate(IID_IDXMgr, &pManager);
    if (SUCCEEDED(results[0]))
        pManager->Release();
    results[1] = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (SUCCEEDED(results[1]))
        CoUninitialize();
    CoUninitialize();
    return 0;
}

} // namespace

TEST(DXMgrCreate, WrongIid_FailsWithNoInterfaceItsLineAndBalancedCom)
{
    DebugOutputCapture capture;
    IDXMgr* pManager = reinterpret_cast<IDXMgr*>(0x1234);
    EXPECT_CALL_RESULT(capture, DXMgrCreate(IID_IUnknown, &pManager), E_NOINTERFACE,
                       ONE_LINE("DXMgr: DXMgrCreate: Invalid REFIID, must be IID_IDXMgr\n"));
    EXPECT_EQ(pManager, reinterpret_cast<IDXMgr*>(0x1234)) << "the out pointer must not be written";

    // DXMgrCreate's own COM initialisation is undone: this thread is not in
    // an apartment any more.
    HRESULT hr = CoInitialize(nullptr);
    EXPECT_EQ(Hex(hr), Hex(S_OK));
    if (SUCCEEDED(hr))
        CoUninitialize();
}

TEST(DXMgrCreate, ThreadInTheMultithreadedApartment_KeepsItsOwnComInitialisation)
{
    // DXMgr asks for a single-threaded apartment, which this thread cannot
    // enter; its refused CoInitialize must not be "balanced" away.
    HRESULT results[2] = {E_FAIL, E_FAIL};  // DXMgrCreate, then a second CoInitializeEx
    HANDLE hThread = CreateThread(nullptr, 0, CreateManagerInMultithreadedApartment, results, 0, nullptr);
    ASSERT_NE(hThread, nullptr);
    ASSERT_EQ(WaitForSingleObject(hThread, ScaledWait(30000)), WAIT_OBJECT_0);
    CloseHandle(hThread);
    EXPECT_EQ(Hex(results[0]), Hex(S_OK));
    EXPECT_EQ(Hex(results[1]), Hex(S_FALSE)) << "the thread's own COM initialisation was undone";
}

TEST(DXMgrCreate, UnwritableOutPointer_FailsWithPointerAndItsLine)
{
    DebugOutputCapture capture;
    GuardedMemory memory;
    EXPECT_CALL_RESULT(capture, DXMgrCreate(IID_IDXMgr, nullptr), E_POINTER,
                       ONE_LINE("DXMgr: DXMgrCreate: Invalid pointer\n"));
    EXPECT_CALL_RESULT(capture, DXMgrCreate(IID_IDXMgr, Bad<IDXMgr**>(memory)), E_POINTER,
                       ONE_LINE("DXMgr: DXMgrCreate: Invalid pointer\n"));
}

TEST(DXMgrObject, QueryInterfaceAndReferenceCount_FollowComRules)
{
    IDXMgr* pManager = CreateManager();
    ASSERT_NE(pManager, nullptr);
    EXPECT_EQ(pManager->AddRef(), 2u);
    EXPECT_EQ(pManager->Release(), 1u);

    void* pv = nullptr;
    ASSERT_EQ(pManager->QueryInterface(IID_IUnknown, &pv), S_OK);
    EXPECT_EQ(pv, static_cast<void*>(pManager));
    ASSERT_EQ(pManager->QueryInterface(IID_IDXMgr, &pv), S_OK);
    EXPECT_EQ(pv, static_cast<void*>(pManager));
    EXPECT_EQ(pManager->Release(), 2u);
    EXPECT_EQ(pManager->Release(), 1u);

    pv = &pv;
    EXPECT_EQ(Hex(pManager->QueryInterface(IID_IEnumDirectDraws, &pv)), Hex(E_NOINTERFACE));
    EXPECT_EQ(pv, nullptr);
    EXPECT_EQ(Hex(pManager->QueryInterface(IID_IDirectDraw4, &pv)), Hex(E_NOINTERFACE));
    EXPECT_EQ(Hex(pManager->QueryInterface(IID_IDXMgr, nullptr)), Hex(E_POINTER));

    EXPECT_EQ(pManager->Release(), 0u);
}

TEST(DXMgrObject, UsageCounter_RisesOncePerManagerAndIsNeverLowered)
{
    // Holding the mapping keeps the counter alive between managers.
    HANDLE hMapping =
        CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(LONG), "__DXMgrUsageCount__");
    ASSERT_NE(hMapping, nullptr) << "error " << GetLastError();
    volatile LONG* plCount =
        static_cast<volatile LONG*>(MapViewOfFile(hMapping, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(LONG)));
    ASSERT_NE(plCount, nullptr) << "error " << GetLastError();
    const LONG lBefore = *plCount;

    IDXMgr* pFirst = CreateManager();
    IDXMgr* pSecond = CreateManager();
    ASSERT_NE(pFirst, nullptr);
    ASSERT_NE(pSecond, nullptr);
    EXPECT_EQ(*plCount, lBefore + 2);
    pFirst->Release();
    pSecond->Release();
    EXPECT_EQ(*plCount, lBefore + 2);

    UnmapViewOfFile(const_cast<LONG*>(plCount));
    CloseHandle(hMapping);
}

TEST(DXMgrObject, UsageCounterUnavailable_ManagerStillWorks)
{
    // An event under the counter's name keeps any mapping of that name from
    // being opened or created.
    HANDLE hSquatter = CreateEventA(nullptr, TRUE, FALSE, "__DXMgrUsageCount__");
    ASSERT_NE(hSquatter, nullptr) << "error " << GetLastError();
    ASSERT_NE(GetLastError(), DWORD(ERROR_ALREADY_EXISTS));

    TestWindow window(32, 32);
    Ref<IDXMgr> manager(InitializedManager(window.Handle()));
    EXPECT_TRUE(manager);
    manager.Reset();
    CloseHandle(hSquatter);
}

TEST(DXMgrChecks, Uninitialized_InitializedStateAccessorsCheckInTheirOrder)
{
    Ref<IDXMgr> manager(CreateManager());
    ASSERT_TRUE(manager);
    DebugOutputCapture capture;
    GuardedMemory memory;
    DWORD dwFlags = 0;
    HWND hwnd = nullptr;
    IDirectDraw4* pDD = nullptr;
    IDirect3D3* pD3D = nullptr;

    // The state comes first for these two, even with a bad pointer ...
    EXPECT_CALL_RESULT(capture, manager->GetFocusWindow(Bad<HWND*>(memory)), DXMGRERR_NOTINITIALIZED,
                       ONE_LINE("DXMgr: GetFocusWindow: Not initialized\n"));
    EXPECT_CALL_RESULT(capture, manager->GetDirectDraw(nullptr), DXMGRERR_NOTINITIALIZED,
                       ONE_LINE("DXMgr: GetDirectDraw: Not initialized\n"));
    // ... and the pointer first for this one.
    EXPECT_CALL_RESULT(capture, manager->GetDirect3D(Bad<IDirect3D3**>(memory)), E_POINTER,
                       ONE_LINE("DXMgr: GetDirect3D: Invalid pointer\n"));
    EXPECT_CALL_RESULT(capture, manager->GetDirect3D(&pD3D), DXMGRERR_NOTINITIALIZED,
                       ONE_LINE("DXMgr: GetDirect3D: Not initialized\n"));
    EXPECT_CALL_RESULT(capture, manager->GetFocusWindow(&hwnd), DXMGRERR_NOTINITIALIZED,
                       ONE_LINE("DXMgr: GetFocusWindow: Not initialized\n"));
    EXPECT_CALL_RESULT(capture, manager->GetDirectDraw(&pDD), DXMGRERR_NOTINITIALIZED,
                       ONE_LINE("DXMgr: GetDirectDraw: Not initialized\n"));

    EXPECT_CALL_RESULT(capture, manager->GetFlags(DXMGRGF_INIT, Bad<DWORD*>(memory)), E_POINTER,
                       ONE_LINE("DXMgr: GetFlags: Invalid pointer\n"));
    EXPECT_CALL_RESULT(capture, manager->GetFlags(3, &dwFlags), E_INVALIDARG,
                       ONE_LINE("DXMgr: GetFlags: Must specify DXMGRGF_INIT _or_ DXMGRGF_ENABLE\n"));
    EXPECT_CALL_RESULT(capture, manager->GetFlags(DXMGRGF_INIT, &dwFlags), DXMGRERR_NOTINITIALIZED,
                       ONE_LINE("DXMgr: GetFlags: Not initialized\n"));
    EXPECT_CALL_RESULT(capture, manager->GetFlags(DXMGRGF_ENABLE, &dwFlags), DXMGRERR_NOTENABLED,
                       ONE_LINE("DXMgr: GetFlags: Not enabled\n"));
    EXPECT_CALL_RESULT(capture, manager->GetFlags(0, &dwFlags), E_INVALIDARG, NO_LINE);
    EXPECT_CALL_RESULT(capture, manager->GetFlags(4, &dwFlags), E_INVALIDARG, NO_LINE);

    EXPECT_CALL_RESULT(capture, manager->FlipToGDISurface(), DXMGRERR_NOTINITIALIZED,
                       ONE_LINE("DXMgr: FlipToGDISurface: Not initialized\n"));
    EXPECT_CALL_RESULT(capture, manager->Enable(nullptr), DXMGRERR_NOTINITIALIZED,
                       ONE_LINE("DXMgr: Enable: Not initialized\n"));
}

TEST(DXMgrChecks, NotEnabled_EnabledStateOperationsCheckInTheirOrder)
{
    Ref<IDXMgr> manager(CreateManager());
    ASSERT_TRUE(manager);
    DebugOutputCapture capture;
    GuardedMemory memory;
    DXMGRENABLEINFO info;
    HWND hwnd = nullptr;
    IDirectDrawSurface4* pSurface = nullptr;
    IDirect3DDevice3* pDevice = nullptr;
    D3DDEVICEDESC caps;

    EXPECT_CALL_RESULT(capture, manager->Disable(0), DXMGRERR_NOTENABLED, ONE_LINE("DXMgr: Disable: Not enabled\n"));
    EXPECT_CALL_RESULT(capture, manager->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0), DXMGRERR_NOTENABLED,
                       ONE_LINE("DXMgr: Clear: Not enabled\n"));
    EXPECT_CALL_RESULT(capture, manager->Update(0, nullptr), DXMGRERR_NOTENABLED,
                       ONE_LINE("DXMgr: Update: Not enabled\n"));
    EXPECT_CALL_RESULT(capture, manager->RestoreSurfaces(), DXMGRERR_NOTENABLED,
                       ONE_LINE("DXMgr: RestoreSurfaces: Not enabled\n"));

    // State before pointer.
    EXPECT_CALL_RESULT(capture, manager->GetEnableInfo(Bad<DXMGRENABLEINFO*>(memory)), DXMGRERR_NOTENABLED,
                       ONE_LINE("DXMgr: GetEnableInfo: Not enabled\n"));
    EXPECT_CALL_RESULT(capture, manager->GetDeviceWindow(nullptr), DXMGRERR_NOTENABLED,
                       ONE_LINE("DXMgr: GetDeviceWindow: Not enabled\n"));
    EXPECT_CALL_RESULT(capture, manager->GetEnableInfo(&info), DXMGRERR_NOTENABLED,
                       ONE_LINE("DXMgr: GetEnableInfo: Not enabled\n"));
    EXPECT_CALL_RESULT(capture, manager->GetDeviceWindow(&hwnd), DXMGRERR_NOTENABLED,
                       ONE_LINE("DXMgr: GetDeviceWindow: Not enabled\n"));

    // Pointer before state.
    EXPECT_CALL_RESULT(capture, manager->GetPrimary(Bad<IDirectDrawSurface4**>(memory)), E_POINTER,
                       ONE_LINE("DXMgr: GetPrimary: Invalid pointer\n"));
    EXPECT_CALL_RESULT(capture, manager->GetBackBuffer(nullptr), E_POINTER,
                       ONE_LINE("DXMgr: GetBackBuffer: Invalid pointer\n"));
    EXPECT_CALL_RESULT(capture, manager->GetZBuffer(nullptr), E_POINTER,
                       ONE_LINE("DXMgr: GetZBuffer: Invalid pointer\n"));
    EXPECT_CALL_RESULT(capture, manager->GetDeviceCaps(Bad<D3DDEVICEDESC*>(memory)), E_POINTER,
                       ONE_LINE("DXMgr: GetDeviceCaps: Invalid pointer\n"));
    EXPECT_CALL_RESULT(capture, manager->GetDirect3DDevice(nullptr), E_POINTER,
                       ONE_LINE("DXMgr: GetDirect3DDevice: Invalid pointer\n"));
    EXPECT_CALL_RESULT(capture, manager->GetPrimary(&pSurface), DXMGRERR_NOTENABLED,
                       ONE_LINE("DXMgr: GetPrimary: Not enabled\n"));
    EXPECT_CALL_RESULT(capture, manager->GetBackBuffer(&pSurface), DXMGRERR_NOTENABLED,
                       ONE_LINE("DXMgr: GetBackBuffer: Not enabled\n"));
    EXPECT_CALL_RESULT(capture, manager->GetZBuffer(&pSurface), DXMGRERR_NOTENABLED,
                       ONE_LINE("DXMgr: GetZBuffer: Not enabled\n"));
    EXPECT_CALL_RESULT(capture, manager->GetDeviceCaps(&caps), DXMGRERR_NOTENABLED,
                       ONE_LINE("DXMgr: GetDeviceCaps: Not enabled\n"));
    EXPECT_CALL_RESULT(capture, manager->GetDirect3DDevice(&pDevice), DXMGRERR_NOTENABLED,
                       ONE_LINE("DXMgr: GetDirect3DDevice: Not enabled\n"));
}

TEST(DXMgrChecks, Initialize_ChecksWindowThenFlagsThenDriverPointer)
{
    TestWindow window(32, 32);
    Ref<IDXMgr> manager(CreateManager());
    ASSERT_TRUE(manager);
    DebugOutputCapture capture;
    GuardedMemory memory;

    EXPECT_CALL_RESULT(capture, manager->Initialize(nullptr, nullptr, 1), E_INVALIDARG,
                       ONE_LINE("DXMgr: Initialize: Invalid window\n"));
    EXPECT_CALL_RESULT(capture, manager->Initialize(nullptr, reinterpret_cast<HWND>(0x4321), 0), E_INVALIDARG,
                       ONE_LINE("DXMgr: Initialize: Invalid window\n"));
    EXPECT_CALL_RESULT(capture, manager->Initialize(nullptr, window.Handle(), 1), E_INVALIDARG,
                       ONE_LINE("DXMgr: Initialize: Invalid flags specified\n"));
    EXPECT_CALL_RESULT(capture, manager->Initialize(Bad<const GUID*>(memory), window.Handle(), 0), E_POINTER,
                       ONE_LINE("DXMgr: Initialize: Invalid pointer\n"));
    HWND hwnd = nullptr;
    EXPECT_EQ(manager->GetFocusWindow(&hwnd), DXMGRERR_NOTINITIALIZED) << "a failed check changes nothing";

    // An all-zero driver identifier selects the display driver, like null.
    EXPECT_CALL_RESULT(capture, manager->Initialize(&GUID_NULL, window.Handle(), 0), S_OK, NO_LINE);
    ASSERT_EQ(manager->GetFocusWindow(&hwnd), S_OK);
    EXPECT_EQ(hwnd, window.Handle());
}

TEST(DXMgrChecks, Initialized_SecondInitializeFailsAndKeepsTheFirst)
{
    TestWindow first(32, 32), second(32, 32, 100, 100);
    Ref<IDXMgr> manager(InitializedManager(first.Handle()));
    ASSERT_TRUE(manager);
    DebugOutputCapture capture;

    EXPECT_CALL_RESULT(capture, manager->Initialize(nullptr, second.Handle(), 0), DXMGRERR_ALREADYINITIALIZED,
                       ONE_LINE("DXMgr: Initialize: Already initialized\n"));
    HWND hwnd = nullptr;
    ASSERT_EQ(manager->GetFocusWindow(&hwnd), S_OK);
    EXPECT_EQ(hwnd, first.Handle());
    DWORD dwFlags = 0xFFFFFFFF;
    EXPECT_CALL_RESULT(capture, manager->GetFlags(DXMGRGF_INIT, &dwFlags), S_OK, NO_LINE);
    EXPECT_EQ(dwFlags, 0u);
    EXPECT_CALL_RESULT(capture, manager->GetFlags(DXMGRGF_ENABLE, &dwFlags), DXMGRERR_NOTENABLED,
                       ONE_LINE("DXMgr: GetFlags: Not enabled\n"));

    // FlipToGDISurface needs only the initialized state: whatever DirectDraw
    // answers is passed on without a line.
    capture.Clear();
    HRESULT hr = manager->FlipToGDISurface();
    EXPECT_NE(Hex(hr), Hex(DXMGRERR_NOTINITIALIZED));
    EXPECT_EQ(capture.Lines(), NO_LINE) << Hex(hr);
}

TEST(DXMgrChecks, InterfacesHandedOut_OutliveTheManager)
{
    TestWindow window(32, 32);
    Ref<IDXMgr> manager(InitializedManager(window.Handle()));
    ASSERT_TRUE(manager);
    IDirectDraw4* pDD = nullptr;
    IDirect3D3* pD3D = nullptr;
    ASSERT_EQ(manager->GetDirectDraw(&pDD), S_OK);
    ASSERT_EQ(manager->GetDirect3D(&pD3D), S_OK);
    manager.Reset();

    DDSURFACEDESC2 desc = {};
    desc.dwSize = sizeof(desc);
    EXPECT_EQ(Hex(pDD->GetDisplayMode(&desc)), Hex(S_OK));
    EXPECT_GT(desc.dwWidth, 0u);
    pD3D->Release();
    EXPECT_EQ(pDD->Release(), 0u);
}

TEST(DXMgrChecks, Enable_ChecksStateRecordFlagsWindowAndPlanesBeforeCreatingAnything)
{
    TestWindow window(48, 32);
    Ref<IDXMgr> manager(InitializedManager(window.Handle()));
    ASSERT_TRUE(manager);
    DebugOutputCapture capture;
    GuardedMemory memory;

    EXPECT_CALL_RESULT(capture, manager->Enable(nullptr), E_POINTER, ONE_LINE("DXMgr: Enable: Invalid pointer\n"));
    EXPECT_CALL_RESULT(capture, manager->Enable(Bad<const DXMGRENABLE*>(memory)), E_POINTER,
                       ONE_LINE("DXMgr: Enable: Invalid pointer\n"));
    // A record that ends in unreadable memory is refused as a whole.
    EXPECT_CALL_RESULT(capture,
                       manager->Enable(static_cast<const DXMGRENABLE*>(memory.WritableTail(sizeof(DXMGRENABLE) - 4))),
                       E_POINTER, ONE_LINE("DXMgr: Enable: Invalid pointer\n"));

    DXMGRENABLE enable = WindowedEnable(window.Handle(), DXMGREF_DISPLAYMODE);
    EXPECT_CALL_RESULT(capture, manager->Enable(&enable), E_INVALIDARG, ONE_LINE("DXMgr: Enable: Invalid flags\n"));
    enable.dwFlags = DXMGREF_BACKBUFFERCOUNT | DXMGREF_3D;
    EXPECT_CALL_RESULT(capture, manager->Enable(&enable), E_INVALIDARG, ONE_LINE("DXMgr: Enable: Invalid flags\n"));

    enable = WindowedEnable(reinterpret_cast<HWND>(0x4321), DXMGREF_FULLSCREEN);
    EXPECT_CALL_RESULT(capture, manager->Enable(&enable), E_INVALIDARG, ONE_LINE("DXMgr: Enable: Invalid window\n"));
    enable = WindowedEnable(nullptr, DXMGREF_3D);
    EXPECT_CALL_RESULT(capture, manager->Enable(&enable), E_INVALIDARG,
                       ONE_LINE("DXMgr: Enable: hwndDevice must be set in Enable if windowed mode requested\n"));

    // Planes that would divide by zero in the projection.
    enable = WindowedEnable(window.Handle(), DXMGREF_3D);
    enable.dvNear = 2.0f;
    enable.dvFar = 2.0f;
    EXPECT_CALL_RESULT(capture, manager->Enable(&enable), E_INVALIDARG,
                       ONE_LINE("DXMgr: Enable: Invalid near/far planes\n"));
    enable.dvNear = 0.0f;
    enable.dvFar = 0.0f;
    EXPECT_CALL_RESULT(capture, manager->Enable(&enable), E_INVALIDARG,
                       ONE_LINE("DXMgr: Enable: Invalid near/far planes\n"));
    enable.dvNear = 1.0f;
    EXPECT_CALL_RESULT(capture, manager->Enable(&enable), E_INVALIDARG,
                       ONE_LINE("DXMgr: Enable: Invalid near/far planes\n"));

    // None of the refusals left the initialized state.
    DWORD dwFlags = 0;
    EXPECT_EQ(manager->GetFlags(DXMGRGF_INIT, &dwFlags), S_OK);

    // Without 3D the planes are not used, so a zeroed record is fine.
    enable = WindowedEnable(window.Handle(), 0);
    enable.dvNear = enable.dvFar = 0.0f;
    EXPECT_CALL_RESULT(capture, manager->Enable(&enable), S_OK, NO_LINE);
    EXPECT_CALL_RESULT(capture, manager->Enable(&enable), DXMGRERR_ALREADYENABLED,
                       ONE_LINE("DXMgr: Enable: Already enabled\n"));
    HWND hwnd = nullptr;
    ASSERT_EQ(manager->GetDeviceWindow(&hwnd), S_OK);
    EXPECT_EQ(hwnd, window.Handle());

    EXPECT_CALL_RESULT(capture, manager->Disable(0), S_OK, NO_LINE);
    EXPECT_CALL_RESULT(capture, manager->Disable(0), DXMGRERR_NOTENABLED, ONE_LINE("DXMgr: Disable: Not enabled\n"));
}

TEST(DXMgrChecks, Enabled2D_FrameOperationsCheckArgumentsInTheirOrder)
{
    TestWindow window(48, 32);
    Ref<IDXMgr> manager(EnabledManager(window.Handle(), 0));
    ASSERT_TRUE(manager);
    DebugOutputCapture capture;
    GuardedMemory memory;
    const D3DRECT rect = {0, 0, 4, 4};

    EXPECT_CALL_RESULT(capture, manager->Clear(2, nullptr, 0, 0, 1.0f, 0), E_INVALIDARG,
                       ONE_LINE("DXMgr: Clear: Rect count must be 0 if PRECT is NULL\n"));
    EXPECT_CALL_RESULT(capture, manager->Clear(1, Bad<const D3DRECT*>(memory), 0, 0, 1.0f, 0), E_POINTER,
                       ONE_LINE("DXMgr: Clear: Invalid rect pointer\n"));
    // Every rectangle must be readable, not only the first.
    EXPECT_CALL_RESULT(capture,
                       manager->Clear(2, static_cast<const D3DRECT*>(memory.WritableTail(sizeof(D3DRECT))),
                                      D3DCLEAR_TARGET, 0, 1.0f, 0),
                       E_POINTER, ONE_LINE("DXMgr: Clear: Invalid rect pointer\n"));
    EXPECT_CALL_RESULT(capture, manager->Clear(1, &rect, 0, 0, 1.0f, 0), E_INVALIDARG,
                       ONE_LINE("DXMgr: Clear: Flags must be nonzero\n"));
    EXPECT_CALL_RESULT(capture, manager->Clear(1, &rect, D3DCLEAR_ZBUFFER, 0, 1.0f, 0), DXMGRERR_3DREQUIRED,
                       ONE_LINE("DXMgr: Clear: 3D required\n"));
    EXPECT_CALL_RESULT(capture, manager->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_STENCIL, 0, 1.0f, 0),
                       DXMGRERR_3DREQUIRED, ONE_LINE("DXMgr: Clear: 3D required\n"));
    EXPECT_CALL_RESULT(capture, manager->Clear(1, &rect, D3DCLEAR_TARGET, 0, 1.0f, 0), S_OK, NO_LINE);

    EXPECT_CALL_RESULT(capture, manager->Update(4, Bad<const RECT*>(memory)), E_INVALIDARG,
                       ONE_LINE("DXMgr: Update: Invalid flags\n"));
    EXPECT_CALL_RESULT(capture, manager->Update(0, Bad<const RECT*>(memory)), E_POINTER,
                       ONE_LINE("DXMgr: Update: Invalid pointer\n"));
    EXPECT_CALL_RESULT(capture, manager->Update(DXMGRUF_NOWAIT | DXMGRUF_BLIT, nullptr), S_OK, NO_LINE);

    IDirect3DDevice3* pDevice = nullptr;
    D3DDEVICEDESC caps;
    DXMGRENABLEINFO info;
    EXPECT_CALL_RESULT(capture, manager->GetDirect3DDevice(&pDevice), DXMGRERR_3DREQUIRED,
                       ONE_LINE("DXMgr: GetDirect3DDevice: 3D required\n"));
    EXPECT_CALL_RESULT(capture, manager->GetDeviceCaps(&caps), DXMGRERR_3DREQUIRED,
                       ONE_LINE("DXMgr: GetDeviceCaps: 3D required\n"));
    EXPECT_CALL_RESULT(capture, manager->GetEnableInfo(Bad<DXMGRENABLEINFO*>(memory)), E_POINTER,
                       ONE_LINE("DXMgr: GetEnableInfo: Invalid pointer\n"));
    EXPECT_CALL_RESULT(capture, manager->GetDeviceWindow(Bad<HWND*>(memory)), E_POINTER,
                       ONE_LINE("DXMgr: GetDeviceWindow: Invalid pointer\n"));
    EXPECT_CALL_RESULT(capture, manager->GetEnableInfo(&info), S_OK, NO_LINE);
    EXPECT_CALL_RESULT(capture, manager->RestoreSurfaces(), S_OK, NO_LINE);

    IDirectDrawSurface4* pPrimary = nullptr;
    EXPECT_CALL_RESULT(capture, manager->GetPrimary(&pPrimary), S_OK, NO_LINE);
    ASSERT_NE(pPrimary, nullptr);
    pPrimary->Release();
}

#if defined(_WIN64)
// Out pointers are checked for the size of what is written: on x86_64 a
// handle or interface pointer needs 8 bytes, and 4 writable bytes are not enough.
TEST(DXMgrChecks, PointerChecksCoverTheFullPointerSize)
{
    TestWindow window(32, 32);
    Ref<IDXMgr> manager(EnabledManager(window.Handle(), DXMGREF_3D));
    ASSERT_TRUE(manager);
    DebugOutputCapture capture;
    GuardedMemory memory;
    void* pHalf = memory.WritableTail(4);

    EXPECT_CALL_RESULT(capture, manager->GetFocusWindow(static_cast<HWND*>(pHalf)), E_POINTER,
                       ONE_LINE("DXMgr: GetFocusWindow: Invalid pointer\n"));
    EXPECT_CALL_RESULT(capture, manager->GetDirectDraw(static_cast<IDirectDraw4**>(pHalf)), E_POINTER,
                       ONE_LINE("DXMgr: GetDirectDraw: Invalid pointer\n"));
    EXPECT_CALL_RESULT(capture, manager->GetDirect3D(static_cast<IDirect3D3**>(pHalf)), E_POINTER,
                       ONE_LINE("DXMgr: GetDirect3D: Invalid pointer\n"));
    EXPECT_CALL_RESULT(capture, manager->GetDeviceWindow(static_cast<HWND*>(pHalf)), E_POINTER,
                       ONE_LINE("DXMgr: GetDeviceWindow: Invalid pointer\n"));
    EXPECT_CALL_RESULT(capture, manager->GetPrimary(static_cast<IDirectDrawSurface4**>(pHalf)), E_POINTER,
                       ONE_LINE("DXMgr: GetPrimary: Invalid pointer\n"));
    EXPECT_CALL_RESULT(capture, manager->GetBackBuffer(static_cast<IDirectDrawSurface4**>(pHalf)), E_POINTER,
                       ONE_LINE("DXMgr: GetBackBuffer: Invalid pointer\n"));
    EXPECT_CALL_RESULT(capture, manager->GetZBuffer(static_cast<IDirectDrawSurface4**>(pHalf)), E_POINTER,
                       ONE_LINE("DXMgr: GetZBuffer: Invalid pointer\n"));
    EXPECT_CALL_RESULT(capture, manager->GetDirect3DDevice(static_cast<IDirect3DDevice3**>(pHalf)), E_POINTER,
                       ONE_LINE("DXMgr: GetDirect3DDevice: Invalid pointer\n"));
    EXPECT_CALL_RESULT(capture, DXMgrCreate(IID_IDXMgr, static_cast<IDXMgr**>(pHalf)), E_POINTER,
                       ONE_LINE("DXMgr: DXMgrCreate: Invalid pointer\n"));
    // A DWORD is 4 bytes on every build.
    EXPECT_CALL_RESULT(capture, manager->GetFlags(DXMGRGF_INIT, static_cast<DWORD*>(pHalf)), S_OK, NO_LINE);
}
#endif
