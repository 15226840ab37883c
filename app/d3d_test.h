#pragma once
// The "Direct3D Test" window started from the dialog's test button: a turning,
// colour-drifting triangle drawn through a DXMgr display manager.
#include <windows.h>

#include "app/scene.h"

struct IDXMgr;
struct IDirect3DDevice3;

extern const char TEST_WINDOW_CLASS[];  // also the window's title
enum { TEST_TIMER_ID = 1, TEST_TIMER_PERIOD_MS = 10 };
enum { TEST_SETUP_FAILED = -2 };

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
extern Direct3DTestState g_test;

// Handler of the dialog's test button; returns when the test is over.
void TestCommand(HWND dialog);

// Shows the test window and returns when the user has closed it: 0, or
// TEST_SETUP_FAILED when the class, the window or the display could not be
// set up (nothing is shown then).
int RunDirect3DTest(HINSTANCE instance, int showCommand);

// 0, or -1 when the class cannot be registered (a test still runs).
int RegisterTestClass(HINSTANCE instance);
LRESULT CALLBACK TestWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The set-up steps of WM_CREATE: 0, or -1 after giving back what they took.
int CreateDisplayManager(HWND window);
int EnableDisplayManager();
// Gives back the device and the manager; does nothing when none is held.
void ReleaseDisplayManager();
// Draws the scene's current frame and shows it in the window.
void RenderFrame();
