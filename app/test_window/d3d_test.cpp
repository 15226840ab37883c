#include "app/test_window/d3d_test.h"

#include <windowsx.h>

#include <cstring>

#include "app/test_window/scene.h"
#include "dxmgr/dxmgr.h"

const char TEST_WINDOW_CLASS[] = "Direct3D Test";

namespace {

// One test at a time: the state lives from WM_CREATE to WM_DESTROY.
struct Direct3DTestState {
    HWND window;
    IDXMgr* manager;
    IDirect3DDevice3* device;
    SceneState scene;
    // The window came up (its WM_CREATE succeeded) and is not yet destroyed;
    // the test's message loop runs while this holds.
    bool running;
};
Direct3DTestState g_test = {};

// ---------------------------------------------------------------------------
// The display: the DXMgr manager and the 3D device the window draws with

template <typename Interface>
void ReleaseAndClear(Interface*& pointer)
{
    if (pointer) {
        pointer->Release();
        pointer = nullptr;
    }
}

// Gives back the device and the manager; does nothing when none is held.
void ReleaseDisplayManager()
{
    ReleaseAndClear(g_test.device);
    if (g_test.manager) {
        g_test.manager->Disable(0);
        ReleaseAndClear(g_test.manager);
    }
}

// The set-up steps of WM_CREATE: 0, or -1 after giving back what they took.
int CreateDisplayManager(HWND window)
{
    if (FAILED(DXMgrCreate(IID_IDXMgr, &g_test.manager)) ||
        FAILED(g_test.manager->Initialize(nullptr, window, 0))) {
        ReleaseAndClear(g_test.manager);
        return -1;
    }
    return 0;
}

int EnableDisplayManager()
{
    if (!g_test.manager)
        return -1;
    DXMGRENABLE enable = {};
    enable.dwFlags = DXMGREF_3D;
    enable.hwndDevice = g_test.window;
    enable.dvNear = NEAR_PLANE;
    enable.dvFar = FAR_PLANE;
    if (FAILED(g_test.manager->Enable(&enable)) || FAILED(g_test.manager->GetDirect3DDevice(&g_test.device))) {
        ReleaseDisplayManager();
        return -1;
    }
    // Both faces show as the triangle turns.
    g_test.device->SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
    g_test.device->SetRenderState(D3DRENDERSTATE_DITHERENABLE, TRUE);
    return 0;
}

// A frame can go on once the scene has begun, restoring lost surfaces once.
bool BeginFrame()
{
    if (SUCCEEDED(g_test.device->BeginScene()))
        return true;
    if (FAILED(g_test.manager->RestoreSurfaces()))
        return false;
    return SUCCEEDED(g_test.device->BeginScene());
}

// Draws the scene's current frame and shows it in the window; a frame that
// cannot begin is skipped, and the next tick tries again.
void RenderFrame()
{
    if (!g_test.device || !g_test.manager || !BeginFrame())
        return;
    g_test.manager->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
    D3DLVERTEX vertices[SCENE_VERTEX_COUNT];
    BuildVertices(g_test.scene, vertices);
    // The triangle is a strip of its three vertices.
    g_test.device->DrawPrimitive(D3DPT_TRIANGLESTRIP, D3DFVF_LVERTEX, vertices, SCENE_VERTEX_COUNT, D3DDP_WAIT);
    g_test.device->EndScene();
    g_test.manager->Update(0, nullptr);
}

// ---------------------------------------------------------------------------
// The window

BOOL OnCreate(HWND window, LPCREATESTRUCTA /*create*/)
{
    // The set-up runs before CreateWindowExA returns, so the state learns the
    // window here.
    g_test.window = window;
    if (CreateDisplayManager(window) != 0 || EnableDisplayManager() != 0)
        return FALSE;
    if (SetTimer(window, TEST_TIMER_ID, TEST_TIMER_PERIOD_MS, nullptr) == 0) {
        ReleaseDisplayManager();
        return FALSE;
    }
    InitScene(g_test.scene);
    ResetMotion(g_test.scene);
    g_test.running = true;
    return TRUE;
}

void OnTimer(HWND window, UINT /*timerId*/)
{
    TickScene(g_test.scene);
    InvalidateRect(window, nullptr, FALSE);
}

void OnPaint(HWND window)
{
    PAINTSTRUCT paint;
    BeginPaint(window, &paint);
    RenderFrame();
    EndPaint(window, &paint);
}

void OnDestroy(HWND window)
{
    KillTimer(window, TEST_TIMER_ID);
    ReleaseDisplayManager();
    g_test.window = nullptr;
    // The test's loop ends on this flag, not on a quit message: a quit message
    // would also end any modal loop above it (a message box the dialog has
    // open) or, when the window never came up (Windows destroys a window
    // whose WM_CREATE failed; Wine does not), the dialog's own loop.
    if (g_test.running) {
        g_test.running = false;
        // Wakes the loop should the destruction come from a message sent by
        // another thread while the loop waits.
        PostThreadMessageA(GetCurrentThreadId(), WM_NULL, 0, 0);
    }
}

LRESULT CALLBACK TestWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
        HANDLE_MSG(window, WM_CREATE, OnCreate);
        HANDLE_MSG(window, WM_TIMER, OnTimer);
        HANDLE_MSG(window, WM_PAINT, OnPaint);
        HANDLE_MSG(window, WM_DESTROY, OnDestroy);
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

// 0, or -1 when the class cannot be registered (a test still runs).
int RegisterTestClass(HINSTANCE instance)
{
    WNDCLASSA windowClass = {};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = TestWndProc;
    windowClass.hInstance = instance;
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = TEST_WINDOW_CLASS;
    return RegisterClassA(&windowClass) ? 0 : -1;
}

// ---------------------------------------------------------------------------
// The test's message loop

const char DIALOG_CLASS_NAME[] = "#32770";

// The top-level window that holds window: GetAncestor(GA_ROOT), whose
// documentation names no Windows 98, from calls that Windows 95 has.
HWND TopLevelWindowOf(HWND window)
{
    while (window && (GetWindowLongPtrA(window, GWL_STYLE) & WS_CHILD))
        window = reinterpret_cast<HWND>(GetWindowLongPtrA(window, GWLP_HWNDPARENT));
    return window;
}

// The dialog's own modal loop is not running while the test's loop runs:
// give the dialog its keyboard handling (Tab, Enter, Esc) from here.
bool HandledAsDialogMessage(MSG& message)
{
    if (!message.hwnd)
        return false;
    HWND root = TopLevelWindowOf(message.hwnd);
    char className[16] = "";
    if (!root || root == g_test.window || !GetClassNameA(root, className, sizeof className) ||
        std::strcmp(className, DIALOG_CLASS_NAME) != 0)
        return false;
    return IsDialogMessageA(root, &message) != FALSE;
}

}  // namespace

int RunDirect3DTest(HINSTANCE instance, int showCommand)
{
    // The state is program-wide: a second test must leave the running one be.
    if (g_test.running)
        return TEST_SETUP_FAILED;
    if (RegisterTestClass(instance) != 0)
        return TEST_SETUP_FAILED;

    HWND window = CreateWindowExA(0, TEST_WINDOW_CLASS, TEST_WINDOW_CLASS, WS_OVERLAPPEDWINDOW,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                  nullptr, nullptr, instance, nullptr);
    if (!window) {
        // Wine sends no WM_DESTROY after a failed WM_CREATE: forget the window
        // here (the set-up has already given back what it took).
        ReleaseDisplayManager();
        g_test.window = nullptr;
        g_test.running = false;
        UnregisterClassA(TEST_WINDOW_CLASS, instance);
        return TEST_SETUP_FAILED;
    }

    ShowWindow(window, showCommand);
    UpdateWindow(window);

    bool quitArrived = false;
    WPARAM quitCode = 0;
    MSG message;
    while (g_test.running) {
        const BOOL got = GetMessageA(&message, nullptr, 0, 0);
        if (got == 0) {
            // Someone asked the whole thread to quit: close the test and pass
            // the request on to the loop below this one.
            quitArrived = true;
            quitCode = message.wParam;
            break;
        }
        if (got == -1)
            break;
        if (HandledAsDialogMessage(message))
            continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }

    if (IsWindow(window))
        DestroyWindow(window);
    UnregisterClassA(TEST_WINDOW_CLASS, instance);
    if (quitArrived)
        PostQuitMessage(static_cast<int>(quitCode));
    return 0;
}

bool IsDirect3DTestRunning()
{
    return g_test.running;
}
