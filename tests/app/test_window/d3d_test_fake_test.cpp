// The Direct3D test window over a scripted stand-in for DirectDraw: what it
// asks of the device each frame, what it does when DirectX refuses, and that
// it gives back every object it took.
#include "tests/app/test_window/d3d_test_window_support.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/support/fake_directdraw/fake_directdraw.h"

namespace {

std::string Join(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += "  " + line + "\n";
    return text;
}

bool QuitMessageWaiting()
{
    MSG message;
    return PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE;
}

bool TestClassRegistered()
{
    WNDCLASSA windowClass;
    return GetClassInfoA(GetModuleHandleA(nullptr), TEST_WINDOW_CLASS, &windowClass) != FALSE;
}

class TestWindowWithFakeDirectX : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(S_OK, registration.Result()) << HResultText(registration.Result());
    }

    void TearDown() override
    {
        EXPECT_TRUE(fake.LiveObjects().empty()) << "left behind:\n" << Join(fake.LiveObjects());
        EXPECT_TRUE(fake.Faults().empty()) << Join(fake.Faults());
        EXPECT_FALSE(QuitMessageWaiting()) << "a quit message would end the dialog's own loop";
        EXPECT_FALSE(TestClassRegistered());
        EXPECT_FALSE(IsDirect3DTestRunning());
    }

    // The device calls (interface IDirect3DDevice3) other than reference
    // counting, as "Method(args)", and the blit that shows a frame.
    std::vector<std::string> FrameCalls(size_t from = 0) const
    {
        std::vector<std::string> calls;
        const std::vector<FakeCall>& log = fake.CallLog();
        for (size_t i = from; i < log.size(); ++i) {
            const FakeCall& call = log[i];
            if (call.refCounting)
                continue;
            const bool device = call.interfaceName == "IDirect3DDevice3";
            const bool shown = call.method == "Blt";
            const bool restored = call.method == "Restore";
            const bool cleared = call.method == "Clear2";
            if (device || shown || restored || cleared) {
                std::string text = call.method + "(" + call.args + ")";
                if (FAILED(call.result))
                    text += " -> " + HResultText(call.result);
                calls.push_back(text);
            }
        }
        return calls;
    }

    static bool StartsWith(const std::string& text, const std::string& start)
    {
        return text.compare(0, start.size(), start) == 0;
    }

    FakeDirectX fake;
    FakeDirectDrawRegistration registration{fake};
};

}  // namespace

TEST_F(TestWindowWithFakeDirectX, SetsRenderStatesOnceAndDrawsEachFrameAsOneStrip)
{
    size_t frameStart = 0;
    const TestWindowRun run = RunTestWindow([&](HWND window, TestWindowTraffic& traffic) {
        if (traffic.paints < 2)
            return false;
        KillTimer(window, TEST_TIMER_ID);
        frameStart = fake.CallLog().size();
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        return true;
    });
    ASSERT_EQ(0, run.result);
    ASSERT_TRUE(run.probeFinished);

    std::vector<std::string> renderStates;
    for (const FakeCall& call : fake.CallLog())
        if (call.method == "SetRenderState")
            renderStates.push_back(call.args);
    // Cull mode none (both faces show as it turns), then dithering on.
    EXPECT_EQ((std::vector<std::string>{"22, 0x1", "26, 0x1"}), renderStates);

    const std::vector<std::string> frame = FrameCalls(frameStart);
    ASSERT_EQ(5u, frame.size()) << Join(frame);
    EXPECT_EQ("BeginScene()", frame[0]);
    // The whole drawing area to black.
    EXPECT_TRUE(StartsWith(frame[1], "Clear2(")) << frame[1];
    EXPECT_NE(std::string::npos, frame[1].find(", 0x1, 0x00000000, 1, 0)")) << frame[1];
    // A triangle strip of three lit vertices (0x1e2), waiting for the device.
    EXPECT_TRUE(StartsWith(frame[2], "DrawPrimitive(5, 0x1e2, ")) << frame[2];
    EXPECT_NE(std::string::npos, frame[2].find(", 3, 0x1")) << frame[2];
    EXPECT_EQ("EndScene()", frame[3]);
    EXPECT_TRUE(StartsWith(frame[4], "Blt(")) << frame[4];
}

TEST_F(TestWindowWithFakeDirectX, LostSurfacesAreRestoredAndTheFrameIsDrawn)
{
    size_t frameStart = 0;
    const TestWindowRun run = RunTestWindow([&](HWND window, TestWindowTraffic& traffic) {
        if (traffic.paints < 2)
            return false;
        KillTimer(window, TEST_TIMER_ID);
        frameStart = fake.CallLog().size();
        fake.FailCall("IDirect3DDevice3::BeginScene", DDERR_SURFACELOST, 1);
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        return true;
    });
    ASSERT_EQ(0, run.result);
    ASSERT_TRUE(run.probeFinished);
    const std::vector<std::string> frame = FrameCalls(frameStart);
    ASSERT_GE(frame.size(), 5u) << Join(frame);
    EXPECT_EQ("BeginScene() -> " + HResultText(DDERR_SURFACELOST), frame[0]) << Join(frame);
    EXPECT_EQ("Restore()", frame[1]) << Join(frame);
    EXPECT_EQ("EndScene()", frame[frame.size() - 2]) << Join(frame);
    EXPECT_TRUE(StartsWith(frame.back(), "Blt(")) << Join(frame);
    EXPECT_EQ(1, std::count(frame.begin(), frame.end(), std::string("BeginScene()"))) << Join(frame);
}

TEST_F(TestWindowWithFakeDirectX, FrameThatCannotBeginIsSkippedAndTheTestGoesOn)
{
    size_t failingFrom = 0;
    int ticksAtFailure = 0;
    int paintsAtFailure = 0;
    const TestWindowRun run = RunTestWindow([&](HWND, TestWindowTraffic& traffic) {
        if (failingFrom == 0) {
            if (traffic.paints < 2)
                return false;
            failingFrom = fake.CallLog().size();
            ticksAtFailure = traffic.ticks;
            paintsAtFailure = traffic.paints;
            fake.FailCall("IDirect3DDevice3::BeginScene", DDERR_SURFACELOST);
            return false;
        }
        return traffic.paints >= paintsAtFailure + 3 && traffic.ticks >= ticksAtFailure + 3;
    });
    ASSERT_EQ(0, run.result);
    ASSERT_TRUE(run.probeFinished) << "the test stopped ticking or painting";
    const std::vector<std::string> frames = FrameCalls(failingFrom);
    for (const std::string& call : frames) {
        EXPECT_FALSE(StartsWith(call, "DrawPrimitive") || StartsWith(call, "EndScene") ||
                     StartsWith(call, "Blt") || StartsWith(call, "Clear2"))
            << "drawn without a scene:\n" << Join(frames);
    }
    EXPECT_GE(std::count(frames.begin(), frames.end(), std::string("Restore()")), 3) << Join(frames);
}

TEST_F(TestWindowWithFakeDirectX, FailedEnableShowsNothingAndGivesEverythingBack)
{
    fake.FailCall("IDirect3D3::CreateDevice", E_FAIL);
    const TestWindowRun run = RunTestWindow([](HWND, TestWindowTraffic&) { return true; }, 5000);
    EXPECT_EQ(TEST_SETUP_FAILED, run.result);
    EXPECT_FALSE(run.probeFinished) << "a window came up";
    EXPECT_EQ(nullptr, FindWindowA(TEST_WINDOW_CLASS, nullptr));
    EXPECT_GE(fake.CountCalls("IDirect3D3::CreateDevice"), 1);
}

TEST_F(TestWindowWithFakeDirectX, FailedInitializeShowsNothingAndGivesEverythingBack)
{
    fake.FailCall("IDirectDraw4::SetCooperativeLevel", DDERR_INVALIDPARAMS);
    const TestWindowRun run = RunTestWindow([](HWND, TestWindowTraffic&) { return true; }, 5000);
    EXPECT_EQ(TEST_SETUP_FAILED, run.result);
    EXPECT_FALSE(run.probeFinished) << "a window came up";
    EXPECT_EQ(nullptr, FindWindowA(TEST_WINDOW_CLASS, nullptr));
    EXPECT_EQ(0, fake.CountCalls("IDirect3D3::CreateDevice"));
}

TEST_F(TestWindowWithFakeDirectX, AfterAFailedSetUpTheNextTestRuns)
{
    fake.FailCall("IDirect3D3::CreateDevice", E_FAIL, 1);
    EXPECT_EQ(TEST_SETUP_FAILED, RunDirect3DTest(GetModuleHandleA(nullptr), SW_SHOWNORMAL));
    const TestWindowRun run =
        RunTestWindow([](HWND, TestWindowTraffic& traffic) { return traffic.paints >= 1; });
    EXPECT_EQ(0, run.result);
    EXPECT_TRUE(run.probeFinished);
}
