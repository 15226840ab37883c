#include "app/d3d_test.h"

#include <windowsx.h>

#include <cstring>

#include "app/app_state.h"
#include "app/config_dialog.h"

const char TEST_WINDOW_CLASS[] = "Direct3D Test";

Direct3DTestState g_test = {};

namespace {

const char DIALOG_CLASS_NAME[] = "#32770";

BOOL OnCreate(HWND window, LPCREATESTRUCTA /*create*/)
{
    // The set-up runs before CreateWindowExA returns, so the state learns the
    // window here.
    g_test.window = window;
    if (CreateDisplayManager(window) != 0)
        return FALSE;
    if (EnableDisplayManager() != 0)
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
        strcmp(className, DIALOG_CLASS_NAME) != 0)
        return false;
    return IsDialogMessageA(root, &message) != FALSE;
}

}  // namespace

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

void TestCommand(HWND dialog)
{
    // A failed save has told the user so; the test still shows the driver
    // with what the registry holds.
    if (MessageBoxA(dialog, "Save changes before proceeding?", "Save changes?", MB_YESNO) == IDYES)
        SaveDialogOptions(dialog);
    if (RunDirect3DTest(ProgramInstance(), ProgramShowCommand()) != 0) {
        MessageBoxA(dialog,
                    "Couldn't init Direct3D in a window.\n"
                    "Make sure you have the latest display drivers!",
                    "D3D Error", MB_OK);
    }
}
