// The Direct3D test window for real: Wine's DirectDraw and Direct3D drawing
// into a window on the test's X display, run in this process.
#include "tests/app/test_window/d3d_test_window_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>

#include "tests/app/test_window/d3d_test_resources.h"
#include "tests/support/import_patch.h"

namespace {

// A software rasteriser and a GPU differ in rounding and dithering.
const int CHANNEL_TOLERANCE = 24;

bool QuitMessageWaiting(WPARAM* code = nullptr)
{
    MSG message;
    if (!PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE))
        return false;
    if (code)
        *code = message.wParam;
    return true;
}

bool TestClassRegistered()
{
    WNDCLASSA windowClass;
    return GetClassInfoA(GetModuleHandleA(nullptr), TEST_WINDOW_CLASS, &windowClass) != FALSE;
}

// The platform answers so that the window draws a known frame: the C run-time's
// rand gives red, green and blue corners that stand still (0 is "still" for a
// direction), and the window's own timer never ticks, so the triangle stays
// unturned at its start distance.
class KnownFrame {
public:
    KnownFrame()
        : m_rand("msvcrt.dll", "rand", reinterpret_cast<void*>(&ScriptedRand)),
          m_setTimer("user32.dll", "SetTimer", reinterpret_cast<void*>(&TimerThatNeverTicks))
    {
        s_draws = 0;
        s_setTimer = reinterpret_cast<SetTimerFunction>(m_setTimer.Original());
    }
    bool Installed() const { return m_rand.Installed() && m_setTimer.Installed(); }

private:
    using SetTimerFunction = UINT_PTR(WINAPI*)(HWND, UINT_PTR, UINT, TIMERPROC);

    // Per vertex: red, green, blue, then their three directions.
    static int __cdecl ScriptedRand()
    {
        static const int kScript[3][6] = {{254, 0, 0, 0, 0, 0}, {0, 254, 0, 0, 0, 0}, {0, 0, 254, 0, 0, 0}};
        const int draw = s_draws++ % 18;
        return kScript[draw / 6][draw % 6];
    }

    static UINT_PTR WINAPI TimerThatNeverTicks(HWND window, UINT_PTR id, UINT period, TIMERPROC callback)
    {
        char className[32] = "";
        if (window && GetClassNameA(window, className, sizeof className) &&
            std::strcmp(className, TEST_WINDOW_CLASS) == 0)
            return id;
        return s_setTimer(window, id, period, callback);
    }

    static int s_draws;
    static SetTimerFunction s_setTimer;
    ImportPatch m_rand;
    ImportPatch m_setTimer;
};
int KnownFrame::s_draws = 0;
KnownFrame::SetTimerFunction KnownFrame::s_setTimer = nullptr;

struct ScreenPoint {
    double x;
    double y;
};

// Where a point in front of the viewer lands: the projection of a 90 degree
// field of view divides by depth, and the viewport maps x in -1..1 across
// the width and y in -aspect..aspect down the height, so the scale is the
// same both ways.
ScreenPoint Projected(int width, int height, float x, float y, float z)
{
    return ScreenPoint{width / 2.0 + (x / z) * width / 2.0, height / 2.0 - (y / z) * width / 2.0};
}

bool BlueCornerShows(const ClientPixels& shot)
{
    if (shot.width <= 0 || shot.height <= 0)
        return false;
    const ScreenPoint blue = Projected(shot.width, shot.height, -1, 0, 3);
    const DWORD pixel = shot.At(static_cast<int>(blue.x) + 6, static_cast<int>(blue.y) - 2);
    return BlueOf(pixel) > 150 && RedOf(pixel) < 80 && GreenOf(pixel) < 80;
}

}  // namespace

TEST(TestWindow, DrawsGouraudShadedTriangleOnBlack)
{
    KnownFrame knownFrame;
    ASSERT_TRUE(knownFrame.Installed());
    ClientPixels shot;
    int probes = 0;
    const TestWindowRun run = RunTestWindow([&](HWND window, TestWindowTraffic&) {
        // Nothing ticks, so the probe asks for each frame. What GL presented
        // reaches the window's pixels a little later than the blit returns:
        // wait until the blue corner shows.
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        shot = ReadClientPixels(window);
        return BlueCornerShows(shot) || ++probes >= 100;
    });
    ASSERT_EQ(0, run.result);
    ASSERT_TRUE(run.probeFinished);
    ASSERT_GT(shot.width, 100);
    ASSERT_GT(shot.height, 100);

    const int w = shot.width, h = shot.height;
    const ScreenPoint corner[3] = {Projected(w, h, 1, 1, 3), Projected(w, h, 1, 0, 3),
                                   Projected(w, h, -1, 0, 3)};
    struct Sample {
        double weights[3];
    };
    const Sample inside[] = {
        {{0.80, 0.10, 0.10}}, {{0.10, 0.80, 0.10}}, {{0.10, 0.10, 0.80}},
        {{1 / 3.0, 1 / 3.0, 1 / 3.0}}, {{0.50, 0.40, 0.10}}, {{0.10, 0.45, 0.45}},
    };
    for (const Sample& sample : inside) {
        double x = 0, y = 0;
        for (int i = 0; i < 3; ++i) {
            x += sample.weights[i] * corner[i].x;
            y += sample.weights[i] * corner[i].y;
        }
        const DWORD pixel = shot.At(static_cast<int>(x), static_cast<int>(y));
        const int expected[3] = {static_cast<int>(254 * sample.weights[0]),
                                 static_cast<int>(254 * sample.weights[1]),
                                 static_cast<int>(254 * sample.weights[2])};
        const int actual[3] = {RedOf(pixel), GreenOf(pixel), BlueOf(pixel)};
        for (int channel = 0; channel < 3; ++channel) {
            EXPECT_NEAR(expected[channel], actual[channel], CHANNEL_TOLERANCE)
                << "at (" << static_cast<int>(x) << "," << static_cast<int>(y) << ") of " << w << "x"
                << h << ": " << PixelText(pixel) << ", weights " << sample.weights[0] << "/"
                << sample.weights[1] << "/" << sample.weights[2];
        }
    }

    const int margin = 12;
    const POINT outside[] = {
        {2, 2}, {w - 3, 2}, {2, h - 3}, {w - 3, h - 3},
        {static_cast<int>(corner[2].x) - margin, static_cast<int>(corner[2].y)},
        {static_cast<int>(corner[1].x) + margin, static_cast<int>(corner[1].y) - 5},
        {w / 2, static_cast<int>(corner[1].y) + margin},
        {static_cast<int>(corner[2].x) + margin, static_cast<int>(corner[0].y)},
    };
    for (const POINT& point : outside) {
        const DWORD pixel = shot.At(point.x, point.y);
        EXPECT_LE(RedOf(pixel) + GreenOf(pixel) + BlueOf(pixel), 3 * 8)
            << "at (" << point.x << "," << point.y << ") of " << w << "x" << h << ": "
            << PixelText(pixel);
    }
}

TEST(TestWindow, MinimisedWindowTicksButDoesNotPaint)
{
    enum Phase { RUNNING, SETTLING, MINIMISED, RESTORED } phase = RUNNING;
    int paintsWhileMinimised = -1, ticksWhileMinimised = -1, paintsAfterRestore = -1;
    bool iconic = false;
    const TestWindowRun run = RunTestWindow([&](HWND window, TestWindowTraffic& traffic) {
        switch (phase) {
        case RUNNING:
            if (traffic.paints < 3)
                return false;
            ShowWindow(window, SW_MINIMIZE);
            iconic = IsIconic(window) != FALSE;
            traffic = TestWindowTraffic{};
            phase = SETTLING;
            return false;
        case SETTLING:
            // A paint already asked for before the window went may still come.
            if (traffic.ticks < 3)
                return false;
            traffic = TestWindowTraffic{};
            phase = MINIMISED;
            return false;
        case MINIMISED:
            if (traffic.ticks < 30)
                return false;
            paintsWhileMinimised = traffic.paints;
            ticksWhileMinimised = traffic.ticks;
            ShowWindow(window, SW_RESTORE);
            traffic = TestWindowTraffic{};
            phase = RESTORED;
            return false;
        case RESTORED:
            if (traffic.paints < 3)
                return false;
            paintsAfterRestore = traffic.paints;
            return true;
        }
        return true;
    });
    ASSERT_EQ(0, run.result);
    ASSERT_TRUE(run.probeFinished) << "stopped in phase " << phase;
    EXPECT_TRUE(iconic);
    EXPECT_EQ(0, paintsWhileMinimised) << "over " << ticksWhileMinimised << " ticks";
    EXPECT_GE(ticksWhileMinimised, 30);
    EXPECT_GE(paintsAfterRestore, 3);
}

TEST(TestWindow, ClosingReturnsZeroAndLeavesNothingBehind)
{
    ASSERT_FALSE(QuitMessageWaiting());
    HWND seen = nullptr;
    const TestWindowRun run = RunTestWindow([&](HWND window, TestWindowTraffic& traffic) {
        seen = window;
        return traffic.paints >= 1;
    });
    EXPECT_EQ(0, run.result);
    EXPECT_TRUE(run.probeFinished);
    EXPECT_FALSE(QuitMessageWaiting()) << "a quit message would end the dialog's own loop";
    EXPECT_FALSE(IsWindow(seen));
    EXPECT_FALSE(TestClassRegistered());
    EXPECT_FALSE(IsDirect3DTestRunning());
}

TEST(TestWindow, ShowsTitleAndOverlappedStyle)
{
    char title[64] = {};
    LONG_PTR style = 0;
    const TestWindowRun run = RunTestWindow([&](HWND window, TestWindowTraffic&) {
        GetWindowTextA(window, title, sizeof title);
        style = GetWindowLongPtrA(window, GWL_STYLE);
        return true;
    });
    EXPECT_EQ(0, run.result);
    EXPECT_STREQ("Direct3D Test", title);
    EXPECT_EQ(static_cast<LONG_PTR>(WS_OVERLAPPEDWINDOW),
              style & static_cast<LONG_PTR>(WS_OVERLAPPEDWINDOW));
    EXPECT_TRUE(style & WS_VISIBLE);
}

TEST(TestWindow, SecondTestWhileOneRunsFailsAndLeavesItRunning)
{
    int second = 1;
    int paintsBefore = 0;
    bool started = false;
    HWND first = nullptr;
    bool firstAlive = false;
    const TestWindowRun run = RunTestWindow([&](HWND window, TestWindowTraffic& traffic) {
        if (!started) {
            if (traffic.paints < 1)
                return false;
            first = window;
            second = RunDirect3DTest(GetModuleHandleA(nullptr), SW_SHOWNORMAL);
            firstAlive = IsWindow(window) && RunningTestWindow() == window && TestClassRegistered();
            paintsBefore = traffic.paints;
            started = true;
            return false;
        }
        return traffic.paints >= paintsBefore + 3;
    });
    EXPECT_EQ(TEST_SETUP_FAILED, second);
    EXPECT_TRUE(firstAlive);
    EXPECT_EQ(0, run.result);
    EXPECT_TRUE(run.probeFinished) << "the first window stopped painting";
    EXPECT_FALSE(IsWindow(first));
    EXPECT_FALSE(QuitMessageWaiting());
}

TEST(TestWindow, NewTestStartsAtOnceAfterTheLastClosed)
{
    for (int round = 0; round < 2; ++round) {
        const TestWindowRun run =
            RunTestWindow([](HWND, TestWindowTraffic& traffic) { return traffic.paints >= 1; });
        EXPECT_EQ(0, run.result) << "round " << round;
        EXPECT_TRUE(run.probeFinished) << "round " << round;
    }
}

TEST(TestWindow, QuitForTheWholeThreadEndsTheTestAndIsPassedOn)
{
    HWND seen = nullptr;
    const TestWindowRun run = RunTestWindow([&](HWND window, TestWindowTraffic& traffic) {
        if (traffic.paints < 1)
            return false;
        seen = window;
        PostQuitMessage(7);
        return false;
    });
    EXPECT_EQ(0, run.result);
    EXPECT_FALSE(run.timedOut);
    EXPECT_FALSE(IsWindow(seen));
    EXPECT_FALSE(TestClassRegistered());
    WPARAM code = 0;
    EXPECT_TRUE(QuitMessageWaiting(&code));
    EXPECT_EQ(7u, code);
}

TEST(TestWindow, DestroyingAWindowThatNeverCameUpPostsNoQuit)
{
    // Windows destroys a window whose WM_CREATE failed (Wine does not): the
    // procedure then sees WM_DESTROY for a test that never ran.
    const TestWindowRun run = RunTestWindow([](HWND, TestWindowTraffic&) { return true; });
    ASSERT_EQ(0, run.result);
    ASSERT_NE(nullptr, run.windowProcedure);
    ASSERT_FALSE(IsDirect3DTestRunning());
    HWND stand_in = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                    GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(nullptr, stand_in);
    EXPECT_EQ(0, CallWindowProcA(run.windowProcedure, stand_in, WM_DESTROY, 0, 0));
    DestroyWindow(stand_in);
    EXPECT_FALSE(QuitMessageWaiting());
    EXPECT_FALSE(IsDirect3DTestRunning());
}

TEST(TestWindow, TwentyRunsLeaveHandlesGdiObjectsAndMemoryFlat)
{
    // What one run holds while its window is up, measured in this process:
    // the yardstick for memory that stays behind, which no absolute number of
    // bytes could be on every machine.
    SIZE_T heldWhileUp = 0;
    auto oneRun = [&] {
        return RunTestWindow([&](HWND, TestWindowTraffic& traffic) {
            if (traffic.paints < 2)
                return false;
            heldWhileUp = CurrentProcessResources().pagefileBytes;
            return true;
        });
    };
    // The first runs load DirectDraw, Direct3D and the GL driver for good.
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(0, oneRun().result);
    const ProcessResources before = CurrentProcessResources();
    SIZE_T oneRunHolds = 0;
    for (int i = 0; i < 20; ++i) {
        const TestWindowRun run = oneRun();
        ASSERT_EQ(0, run.result) << "run " << i;
        ASSERT_TRUE(run.probeFinished) << "run " << i;
        if (i == 0)
            oneRunHolds = heldWhileUp > before.pagefileBytes ? heldWhileUp - before.pagefileBytes : 0;
    }
    const ProcessResources after = CurrentProcessResources();
    printf("before 20 runs: %s\nafter 20 runs:  %s\none run holds %lu bytes while up\n",
           before.Describe().c_str(), after.Describe().c_str(), static_cast<unsigned long>(oneRunHolds));
    EXPECT_LE(after.handles, before.handles + 2) << "before: " << before.Describe()
                                                 << "\nafter:  " << after.Describe();
    EXPECT_LE(after.gdiObjects, before.gdiObjects + 2) << "before: " << before.Describe()
                                                       << "\nafter:  " << after.Describe();
    // An eighth of one run's memory: far less than twenty lost back buffers,
    // and several times what a loaded host was seen to add by itself.
    EXPECT_LE(after.pagefileBytes, before.pagefileBytes + oneRunHolds / 8)
        << "before: " << before.Describe() << "\nafter:  " << after.Describe() << "\none run holds "
        << oneRunHolds << " bytes while its window is up";
}

TEST(TestWindow, TimeRunningOutWhileTheWindowStartsStillClosesIt)
{
    // The time is up before the window has even been created: the run must
    // still end, with the window closed once it is there.
    const TestWindowRun run = RunTestWindow([](HWND, TestWindowTraffic&) { return false; }, 0);
    EXPECT_EQ(0, run.result);
    EXPECT_TRUE(run.timedOut);
    EXPECT_FALSE(run.probeFinished);
    EXPECT_FALSE(IsDirect3DTestRunning());
    EXPECT_EQ(nullptr, FindWindowA(TEST_WINDOW_CLASS, nullptr));
}
