#pragma once
// Runs the Direct3D test window in this process, on this thread, and lets a
// test look at it from inside the test's own message loop.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "app/test_window/d3d_test.h"
#include "tests/support/dialog_driver.h"

// What the window procedure saw, counted by a subclass in front of it.
struct TestWindowTraffic {
    int paints = 0;
    int ticks = 0;
};

// A probe step runs from a thread timer while the test's loop runs; it
// returns true when it is done with the window (the run then closes it).
using TestWindowProbe = std::function<bool(HWND window, TestWindowTraffic& traffic)>;

struct TestWindowRun {
    int result = 0;           // of RunDirect3DTest
    WNDPROC windowProcedure = nullptr;  // the test window's own, as the probe found it
    bool probeFinished = false;
    bool timedOut = false;
    std::string probeFailure;  // filled by a probe that gave up
};

// Starts the test and calls probe every few milliseconds from inside its loop
// until the probe is done (then the window is closed) or timeoutMs passed.
TestWindowRun RunTestWindow(const TestWindowProbe& probe, DWORD timeoutMs = 30000);

// This thread's test window while a test runs, else null.
HWND RunningTestWindow();

// Asks the window to close as the user would.
void CloseTestWindow(HWND window);

int RedOf(DWORD pixel);
int GreenOf(DWORD pixel);
int BlueOf(DWORD pixel);
std::string PixelText(DWORD pixel);
