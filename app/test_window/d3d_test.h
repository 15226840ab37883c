#pragma once
// The "Direct3D Test" window: a turning, colour-drifting triangle drawn
// through a DXMgr display manager, one test at a time.
#include <windows.h>

extern const char TEST_WINDOW_CLASS[];  // also the window's title
enum { TEST_TIMER_ID = 1, TEST_TIMER_PERIOD_MS = 10 };
enum { TEST_SETUP_FAILED = -2 };

// Shows the test window and returns when the user has closed it: 0, or
// TEST_SETUP_FAILED when the class, the window or the display could not be
// set up (nothing is shown then), or when a test runs already.
int RunDirect3DTest(HINSTANCE instance, int showCommand);

// A test window is up and its loop runs.
bool IsDirect3DTestRunning();
