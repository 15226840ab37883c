// DXMgr's pure helpers: colour packing, list growth and the mode order.
#include "dxmgr/dxmgr_object.h"

#include <gtest/gtest.h>

namespace {

DWORD Fill(D3DCOLOR color, DWORD dwR, DWORD dwG, DWORD dwB)
{
    return ColorToPixel((color >> 16) & 0xFF, dwR) | ColorToPixel((color >> 8) & 0xFF, dwG)
           | ColorToPixel(color & 0xFF, dwB);
}

} // namespace

TEST(DXMgrColorToPixel, PacksTheMostSignificantBitsOfEachComponent)
{
    EXPECT_EQ(Fill(0x00FF8040, 0xF800, 0x07E0, 0x001F), 0xFC08u);
    EXPECT_EQ(Fill(0x00808080, 0xF800, 0x07E0, 0x001F), 0x8410u);
    EXPECT_EQ(Fill(0x00808080, 0xFF0000, 0x00FF00, 0x0000FF), 0x808080u);
    EXPECT_EQ(Fill(0xFF123456, 0xFF0000, 0x00FF00, 0x0000FF), 0x123456u) << "alpha is not a colour channel";
    EXPECT_EQ(Fill(0x00FFFFFF, 0x7C00, 0x03E0, 0x001F), 0x7FFFu) << "5-5-5";
    EXPECT_EQ(Fill(0x00FFFFFF, 0x0000FF, 0x00FF00, 0xFF0000), 0xFFFFFFu) << "BGR order";
}

TEST(DXMgrColorToPixel, ZeroMaskContributesNothing)
{
    EXPECT_EQ(ColorToPixel(0xFF, 0), 0u);
    EXPECT_EQ(Fill(0x00FFFFFF, 0xF800, 0, 0x001F), 0xF81Fu);
}

TEST(DXMgrColorToPixel, WideChannelKeepsTheComponentInsideTheMask)
{
    // Ten bits: the component lands in the low bits of the channel and
    // nothing spills into the neighbouring channel.
    EXPECT_EQ(ColorToPixel(0xFF, 0x3FF00000), 0x0FF00000u);
    EXPECT_EQ(ColorToPixel(0xFF, 0x000003FF) & ~0x3FFu, 0u);
}

TEST(DXMgrList, AppendElement_GrowsFromTwoByDoublingAndKeepsElements)
{
    DXMgrList<GUID> list;
    EXPECT_EQ(list.pElements, nullptr);
    GUID guid = {};
    for (DWORD i = 0; i < 5; ++i) {
        guid.Data1 = i;
        ASSERT_TRUE(list.AppendElement(guid));
        const DWORD expectedCapacity = i < 2 ? 2 : (i < 4 ? 4 : 8);
        EXPECT_EQ(list.cCapacity, expectedCapacity) << "after " << i + 1 << " elements";
    }
    ASSERT_EQ(list.cElements, 5u);
    for (DWORD i = 0; i < 5; ++i)
        EXPECT_EQ(list.pElements[i].Data1, i);

    // Slots beyond the count are zero-filled.
    EXPECT_EQ(list.pElements[5].Data1, 0u);

    GUID* pBlock = list.pElements;
    list.Empty();
    EXPECT_EQ(list.cElements, 0u);
    EXPECT_EQ(list.pElements, pBlock) << "a refill keeps the block";
    EXPECT_EQ(list.cCapacity, 8u);
    list.Free();
    EXPECT_EQ(list.pElements, nullptr);
    EXPECT_EQ(list.cCapacity, 0u);
}

TEST(DXMgrSortDisplayModes, OrdersByWidthHeightDepthThenRefreshRate)
{
    const DXMGRDISPLAYMODE reported[] = {
        {800, 600, 16, 60}, {640, 480, 32, 60}, {640, 480, 16, 60}, {640, 480, 16, 0},
        {640, 480, 16, 60}, {320, 200, 8, 0},   {0xFFFFFFFF, 1, 1, 1},
    };
    const DXMGRDISPLAYMODE expected[] = {
        {320, 200, 8, 0},   {640, 480, 16, 0},  {640, 480, 16, 60}, {640, 480, 16, 60},
        {640, 480, 32, 60}, {800, 600, 16, 60}, {0xFFFFFFFF, 1, 1, 1},
    };
    DXMgrList<DXMGRDISPLAYMODE> list;
    for (const DXMGRDISPLAYMODE& mode : reported)
        ASSERT_TRUE(list.AppendElement(mode));
    SortDisplayModes(list);
    ASSERT_EQ(list.cElements, 7u);
    for (DWORD i = 0; i < 7; ++i) {
        const DXMGRDISPLAYMODE& m = list.pElements[i];
        EXPECT_TRUE(m.dwWidth == expected[i].dwWidth && m.dwHeight == expected[i].dwHeight
                    && m.dwBPP == expected[i].dwBPP && m.dwRefreshRate == expected[i].dwRefreshRate)
            << "element " << i << " is " << m.dwWidth << "x" << m.dwHeight << "x" << m.dwBPP << "@" << m.dwRefreshRate;
    }
}
