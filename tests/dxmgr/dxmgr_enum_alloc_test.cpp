// The enumerations when the process heap refuses a block: each allocation in
// turn is made to fail through the program's own HeapAlloc import.
#include "dxmgr/dxmgr.h"
#include "tests/support/debug_output_capture.h"
#include "tests/dxmgr/dxmgr_test_support.h"
#include "tests/support/heap_alloc_hook.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

class EnumerationsOutOfMemory : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_hook.Installed()) << "HeapAlloc import not found"; }

    // Runs one call with the n-th heap allocation from now refused.
    template <class Call>
    HRESULT WithAllocationRefused(int n, Call call)
    {
        m_hook.ResetCounts();
        m_hook.FailAllocation(n);
        const HRESULT hr = call();
        m_hook.FailAllocation(0);
        return hr;
    }

    HeapAllocHook m_hook;
};

TEST_F(EnumerationsOutOfMemory, DriverEnumeratorWithoutMemoryForItselfWritesItsLine)
{
    Ref<IDXMgr> mgr(CreateManager());
    ASSERT_TRUE(mgr);
    IEnumDirectDraws* untouched = reinterpret_cast<IEnumDirectDraws*>(0x1234);
    DebugOutputCapture capture;
    const HRESULT hr = WithAllocationRefused(1, [&] { return mgr->CreateEnumDirectDraws(&untouched, 0); });
    EXPECT_EQ(std::vector<std::string>{"DXMgr: CreateEnumDirectDraws: Out of memory\n"}, capture.Lines())
        << capture.Text();
    EXPECT_EQ(E_OUTOFMEMORY, hr) << Hex(hr);
    EXPECT_EQ(reinterpret_cast<IEnumDirectDraws*>(0x1234), untouched);
    EXPECT_EQ(0, m_hook.LiveBlocks());
}

TEST_F(EnumerationsOutOfMemory, DriverListWithoutItsFirstBlockIsEmptyNotBroken)
{
    Ref<IDXMgr> mgr(CreateManager());
    ASSERT_TRUE(mgr);
    Ref<IEnumDirectDraws> drivers;
    DebugOutputCapture capture;
    const HRESULT hr = WithAllocationRefused(2, [&] { return mgr->CreateEnumDirectDraws(drivers.Out(), 0); });
    EXPECT_EQ("", capture.Text());
    ASSERT_EQ(S_OK, hr) << Hex(hr);

    DXMGRDIRECTDRAW record = {};
    ULONG cFetched = 99;
    EXPECT_EQ(S_FALSE, drivers->Next(1, &record, &cFetched));
    EXPECT_EQ(0u, cFetched);
    EXPECT_EQ(S_FALSE, drivers->Skip(1));
    drivers.Reset();
    EXPECT_EQ(0, m_hook.LiveBlocks());
}

TEST_F(EnumerationsOutOfMemory, DriverStringWithoutMemoryIsNullAndTheOtherIsKept)
{
    Ref<IDXMgr> mgr(CreateManager());
    ASSERT_TRUE(mgr);
    // Third block: the description's copy; fourth: the name's.
    for (int n : {3, 4}) {
        SCOPED_TRACE(n);
        Ref<IEnumDirectDraws> drivers;
        const HRESULT hr = WithAllocationRefused(n, [&] { return mgr->CreateEnumDirectDraws(drivers.Out(), 0); });
        ASSERT_EQ(S_OK, hr) << Hex(hr);
        DXMGRDIRECTDRAW display = {};
        ASSERT_EQ(S_OK, drivers->Next(1, &display, nullptr));
        EXPECT_EQ(n == 3, display.pszDescription == nullptr);
        EXPECT_EQ(n == 4, display.pszName == nullptr);
        drivers.Reset();
        EXPECT_EQ(0, m_hook.LiveBlocks());
    }
}

TEST_F(EnumerationsOutOfMemory, DisplayModesObjectOrCopyRefusedLeavesNothingBehind)
{
    TestWindow window;
    Ref<IDXMgr> mgr(InitializedManager(window.Handle()));
    ASSERT_TRUE(mgr);
    const std::vector<std::vector<std::string>> expectedLines = {
        {"DXMgr: CreateEnumDisplayModes: Out of memory\n"},  // the enumerator itself
        {},                                                  // its copy of the list
    };
    for (int n : {1, 2}) {
        SCOPED_TRACE(n);
        IEnumDisplayModes* untouched = nullptr;
        DebugOutputCapture capture;
        const HRESULT hr = WithAllocationRefused(n, [&] { return mgr->CreateEnumDisplayModes(&untouched, 0); });
        EXPECT_EQ(expectedLines[n - 1], capture.Lines()) << capture.Text();
        EXPECT_EQ(E_OUTOFMEMORY, hr) << Hex(hr);
        EXPECT_EQ(nullptr, untouched);
        EXPECT_EQ(0, m_hook.LiveBlocks());
    }
}

TEST_F(EnumerationsOutOfMemory, CloneRefusedWritesNoLineAndKeepsTheSource)
{
    TestWindow window;
    Ref<IDXMgr> mgr(InitializedManager(window.Handle()));
    ASSERT_TRUE(mgr);
    Ref<IEnumDisplayModes> modes;
    ASSERT_EQ(S_OK, mgr->CreateEnumDisplayModes(modes.Out(), 0));
    Ref<IEnumDirectDraws> drivers;
    ASSERT_EQ(S_OK, mgr->CreateEnumDirectDraws(drivers.Out(), 0));
    ASSERT_EQ(S_OK, modes->Skip(1));

    for (int n : {1, 2}) {
        SCOPED_TRACE(n);
        IEnumDisplayModes* untouched = nullptr;
        DebugOutputCapture capture;
        const HRESULT hr = WithAllocationRefused(n, [&] { return modes->Clone(&untouched); });
        EXPECT_EQ("", capture.Text());
        EXPECT_EQ(E_OUTOFMEMORY, hr) << Hex(hr);
        EXPECT_EQ(nullptr, untouched);
        EXPECT_EQ(0, m_hook.LiveBlocks());
    }
    IEnumDirectDraws* untouchedDrivers = nullptr;
    DebugOutputCapture capture;
    const HRESULT hr = WithAllocationRefused(1, [&] { return drivers->Clone(&untouchedDrivers); });
    EXPECT_EQ("", capture.Text());
    EXPECT_EQ(E_OUTOFMEMORY, hr) << Hex(hr);
    EXPECT_EQ(nullptr, untouchedDrivers);

    // The source still stands where it was.
    const std::vector<DXMGRDISPLAYMODE> rest = ReadAll<IEnumDisplayModes, DXMGRDISPLAYMODE>(modes.Get());
    const std::vector<DXMGRDISPLAYMODE> all = DisplayModesOf(mgr.Get());
    ASSERT_EQ(all.size() - 1, rest.size());
    EXPECT_EQ(0, std::memcmp(all.data() + 1, rest.data(), rest.size() * sizeof(DXMGRDISPLAYMODE)));
}

// Every allocation of a named device's Z-buffer enumeration refused in turn:
// the object's own list always comes back as it was, nothing leaks, and a
// refusal while gathering only shortens the list.
TEST_F(EnumerationsOutOfMemory, ZBufferFormatsForAnotherDeviceAlwaysPutTheOwnListBack)
{
    TestWindow window;
    Ref<IDXMgr> mgr(EnabledManager(window.Handle(), DXMGREF_3D | DXMGREF_ZBUFFER));
    ASSERT_TRUE(mgr);
    const GUID& other = IsEqualGUID(EnabledDeviceOf(mgr.Get()), IID_IDirect3DRGBDevice) ? IID_IDirect3DHALDevice
                                                                                          : IID_IDirect3DRGBDevice;
    const std::vector<DDPIXELFORMAT> ownFormats = OwnZBufferFormatsOf(mgr.Get());

    Ref<IEnumPixelFormats> all;
    m_hook.ResetCounts();
    ASSERT_EQ(S_OK, mgr->CreateEnumZBufferFormats(all.Out(), &other, 0));
    const int allocations = m_hook.Allocations();
    // At least the borrowed list's first block, the enumerator and its copy.
    ASSERT_GE(allocations, 3);
    const std::vector<DDPIXELFORMAT> full = ReadAll<IEnumPixelFormats, DDPIXELFORMAT>(all.Get());
    ASSERT_FALSE(full.empty());

    for (int n = 1; n <= allocations; ++n) {
        SCOPED_TRACE(n);
        Ref<IEnumPixelFormats> formats;
        DebugOutputCapture capture;
        const HRESULT hr =
            WithAllocationRefused(n, [&] { return mgr->CreateEnumZBufferFormats(formats.Out(), &other, 0); });
        const std::string lines = capture.Text();
        if (SUCCEEDED(hr)) {
            EXPECT_EQ("", lines);
            const std::vector<DDPIXELFORMAT> got = ReadAll<IEnumPixelFormats, DDPIXELFORMAT>(formats.Get());
            EXPECT_LT(got.size(), full.size());
            EXPECT_EQ(0, std::memcmp(full.data(), got.data(), got.size() * sizeof(DDPIXELFORMAT)));
        } else {
            EXPECT_EQ(E_OUTOFMEMORY, hr) << Hex(hr);
            EXPECT_TRUE(lines.empty() || lines == "DXMgr: CreateEnumZBufferFormats: Out of memory\n") << lines;
        }
        formats.Reset();
        // No block of the call outlives it, so the own list still lives in
        // the block it had; its content is what a null device gets.
        EXPECT_EQ(0, m_hook.LiveBlocks());
        const std::vector<DDPIXELFORMAT> own = OwnZBufferFormatsOf(mgr.Get());
        ASSERT_EQ(ownFormats.size(), own.size());
        EXPECT_EQ(0, std::memcmp(ownFormats.data(), own.data(), own.size() * sizeof(DDPIXELFORMAT)));
    }
}

}  // namespace
