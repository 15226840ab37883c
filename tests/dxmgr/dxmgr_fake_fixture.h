#pragma once
// A DXMgr object whose DirectDraw is the fake: the fake is put in place before
// DXMgrCreate, so even its DirectX 6 probe lands in the fake, and the call
// sequence is cleared once the manager exists.
#include "dxmgr/dxmgr.h"
#include "tests/support/debug_output_capture.h"
#include "tests/dxmgr/dxmgr_test_support.h"
#include "tests/support/fake_directdraw/fake_directdraw.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// Flag sets the tests enable with.
const DWORD kWindowed2D = 0;
const DWORD kWindowed3D = DXMGREF_3D;
const DWORD kWindowed3DZ = DXMGREF_3D | DXMGREF_ZBUFFER;
const DWORD kFullScreen3DZ = DXMGREF_FULLSCREEN | DXMGREF_3D | DXMGREF_ZBUFFER;

// The test window's client area: the windowed back buffer's size.
const int kClientWidth = 320;
const int kClientHeight = 240;

class DXMgrWithFakeDirectX : public ::testing::Test {
protected:
    DXMgrWithFakeDirectX() : window(kClientWidth, kClientHeight) {}

    void SetUp() override {
        ASSERT_EQ(S_OK, registration.Result()) << Hex(registration.Result());
        ASSERT_NE(nullptr, window.Handle());
        fake.NameWindow(window.Handle(), "window");
        HRESULT hr = DXMgrCreate(IID_IDXMgr, manager.Out());
        ASSERT_EQ(S_OK, hr) << Hex(hr);
        fake.ClearCalls();
    }

    void TearDown() override {
        manager.Reset();
        EXPECT_TRUE(fake.LiveObjects().empty()) << "after the manager's release:\n" << Join(fake.LiveObjects());
        EXPECT_TRUE(fake.Faults().empty()) << Join(fake.Faults());
    }

    HRESULT Initialize() {
        HRESULT hr = manager->Initialize(nullptr, window.Handle(), 0);
        fake.ClearCalls();
        return hr;
    }

    DXMGRENABLE EnableRecord(DWORD dwFlags) const {
        DXMGRENABLE enable = {};
        enable.dwFlags = dwFlags;
        enable.hwndDevice = window.Handle();
        enable.dvNear = 1.0f;
        enable.dvFar = 10.0f;
        return enable;
    }

    // Initialize, then Enable with the flags; the call sequence then holds
    // only what Enable called.
    HRESULT InitializeAndEnable(DWORD dwFlags) {
        HRESULT hr = Initialize();
        if (FAILED(hr)) return hr;
        DXMGRENABLE enable = EnableRecord(dwFlags);
        return manager->Enable(&enable);
    }

    // The objects released, in order, among the calls recorded so far.
    std::vector<std::string> Releases() const {
        std::vector<std::string> released;
        for (const FakeCall& call : fake.CallLog())
            if (call.refCounting && call.method == "Release")
                released.push_back(call.target.empty() ? call.interfaceName : call.target);
        return released;
    }

    static std::string Join(const std::vector<std::string>& lines) {
        std::string text;
        for (const std::string& line : lines) text += "  " + line + "\n";
        return text;
    }

    FakeDirectX fake;
    FakeDirectDrawRegistration registration{fake};
    TestWindow window;
    Ref<IDXMgr> manager;
};
