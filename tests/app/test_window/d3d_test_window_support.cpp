#include "tests/app/test_window/d3d_test_window_support.h"

#include <cstdio>

#include "tests/support/wait_scale.h"

namespace {

const UINT PROBE_PERIOD_MS = 15;

struct ActiveRun {
    TestWindowProbe probe;
    TestWindowRun* run = nullptr;
    DWORD deadline = 0;
    UINT_PTR timer = 0;
    HWND subclassed = nullptr;
    WNDPROC original = nullptr;
    TestWindowTraffic traffic;
    bool closing = false;
};
ActiveRun* g_active = nullptr;

LRESULT CALLBACK CountingWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    ActiveRun* active = g_active;
    if (active && message == WM_PAINT)
        ++active->traffic.paints;
    if (active && message == WM_TIMER && wParam == TEST_TIMER_ID)
        ++active->traffic.ticks;
    if (!active || !active->original)
        return DefWindowProcA(window, message, wParam, lParam);
    return CallWindowProcA(active->original, window, message, wParam, lParam);
}

void FinishProbe(ActiveRun& active, HWND window)
{
    KillTimer(nullptr, active.timer);
    active.timer = 0;
    if (IsWindow(window) && !active.closing) {
        active.closing = true;
        CloseTestWindow(window);
    }
}

void CALLBACK ProbeTimerProc(HWND, UINT, UINT_PTR, DWORD)
{
    ActiveRun* active = g_active;
    if (!active || active->timer == 0 || active->closing)
        return;
    HWND window = RunningTestWindow();
    if (static_cast<LONG>(GetTickCount() - active->deadline) > 0) {
        active->run->timedOut = true;
        // A test still starting up when time ran out is closed as soon as
        // its window is there; until then the timer stays.
        if (window)
            FinishProbe(*active, window);
        return;
    }
    if (!window)
        return;
    if (active->subclassed != window) {
        active->original = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CountingWndProc)));
        active->subclassed = window;
        active->run->windowProcedure = active->original;
    }
    // The probe may pump messages (a nested test, a redraw): keep it from
    // being entered again meanwhile.
    const UINT_PTR timer = active->timer;
    active->timer = 0;
    const bool done = active->probe(window, active->traffic);
    active->timer = timer;
    if (done) {
        active->run->probeFinished = true;
        FinishProbe(*active, window);
    }
}

}  // namespace

HWND RunningTestWindow()
{
    if (!IsDirect3DTestRunning())
        return nullptr;
    HWND window = FindWindowA(TEST_WINDOW_CLASS, nullptr);
    return window && GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId() ? window : nullptr;
}

void CloseTestWindow(HWND window)
{
    PostMessageA(window, WM_CLOSE, 0, 0);
}

TestWindowRun RunTestWindow(const TestWindowProbe& probe, DWORD timeoutMs)
{
    TestWindowRun run;
    ActiveRun active;
    active.probe = probe;
    active.run = &run;
    active.deadline = GetTickCount() + ScaledWait(timeoutMs);
    active.timer = SetTimer(nullptr, 0, PROBE_PERIOD_MS, ProbeTimerProc);
    g_active = &active;
    run.result = RunDirect3DTest(GetModuleHandleA(nullptr), SW_SHOWNORMAL);
    if (active.timer)
        KillTimer(nullptr, active.timer);
    g_active = nullptr;
    return run;
}

int RedOf(DWORD pixel) { return static_cast<int>((pixel >> 16) & 0xFF); }
int GreenOf(DWORD pixel) { return static_cast<int>((pixel >> 8) & 0xFF); }
int BlueOf(DWORD pixel) { return static_cast<int>(pixel & 0xFF); }

std::string PixelText(DWORD pixel)
{
    char text[32];
    snprintf(text, sizeof text, "rgb(%d,%d,%d)", RedOf(pixel), GreenOf(pixel), BlueOf(pixel));
    return text;
}
