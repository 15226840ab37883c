// CreateEnumZBufferFormats where Wine cannot go: a Direct3D that refuses the
// enumeration, and a device with more formats than the list's first blocks.
#include "dxmgr/dxmgr.h"
#include "tests/support/debug_output_capture.h"
#include "tests/dxmgr/dxmgr_test_support.h"
#include "tests/support/fake_directdraw/fake_directdraw.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

class ZBufferFormatsOnFake : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(S_OK, m_registration.Result()) << Hex(m_registration.Result());
        // The object's own device gets one 16-bit format; the fake reports
        // the same formats for every device, so they are set per call below.
        m_fake.zBufferFormats = {FakeZBufferFormat(16)};
        // Enable picks the hardware device, so the software one is "another".
        m_mgr = Ref<IDXMgr>(EnabledManager(m_window.Handle(), DXMGREF_3D | DXMGREF_ZBUFFER));
    }

    // The object's own list, as a null device gets it.
    std::vector<DDPIXELFORMAT> OwnList() const { return OwnZBufferFormatsOf(m_mgr.Get()); }

    FakeDirectX m_fake;
    FakeDirectDrawRegistration m_registration{m_fake};
    TestWindow m_window;
    Ref<IDXMgr> m_mgr;
};

TEST_F(ZBufferFormatsOnFake, RefusedEnumerationIsPassedOnAndTheOwnListComesBack)
{
    ASSERT_TRUE(m_mgr);
    const std::vector<DDPIXELFORMAT> before = OwnList();
    ASSERT_EQ(1u, before.size());
    const DDPIXELFORMAT ownFormat = before[0];

    m_fake.FailCall("IDirect3D3::EnumZBufferFormats", DDERR_INVALIDPARAMS);
    IEnumPixelFormats* untouched = nullptr;
    DebugOutputCapture capture;
    const HRESULT hr = m_mgr->CreateEnumZBufferFormats(&untouched, &IID_IDirect3DRGBDevice, 0);
    const std::string lines = capture.Text();
    EXPECT_EQ(DDERR_INVALIDPARAMS, hr) << Hex(hr);
    EXPECT_EQ("", lines);
    EXPECT_EQ(nullptr, untouched);

    const std::vector<DDPIXELFORMAT> after = OwnList();
    ASSERT_EQ(before.size(), after.size());
    EXPECT_EQ(0, std::memcmp(&ownFormat, &after[0], sizeof ownFormat));
}

TEST_F(ZBufferFormatsOnFake, OtherDeviceWithManyFormatsListsThemAllAndKeepsTheOwnList)
{
    ASSERT_TRUE(m_mgr);
    const std::vector<DDPIXELFORMAT> before = OwnList();
    ASSERT_EQ(1u, before.size());
    m_fake.zBufferFormats = {FakeZBufferFormat(16), FakeZBufferFormat(24), FakeZBufferFormat(32),
                             FakeZBufferFormat(15), FakeZBufferFormat(8)};

    Ref<IEnumPixelFormats> formats;
    const HRESULT hr = m_mgr->CreateEnumZBufferFormats(formats.Out(), &IID_IDirect3DRGBDevice, 0);
    ASSERT_EQ(S_OK, hr) << Hex(hr);
    const std::vector<DDPIXELFORMAT> listed = ReadAll<IEnumPixelFormats, DDPIXELFORMAT>(formats.Get());
    ASSERT_EQ(m_fake.zBufferFormats.size(), listed.size());
    for (size_t i = 0; i < listed.size(); ++i) EXPECT_TRUE(SameBytes(m_fake.zBufferFormats[i], listed[i])) << i;

    const std::vector<DDPIXELFORMAT> after = OwnList();
    ASSERT_EQ(before.size(), after.size());
    EXPECT_TRUE(SameBytes(before[0], after[0]));
}

}  // namespace
