// DXMgr when memory has run out: a COM method returns its HRESULT and never
// lets an exception out, also while it writes its diagnostic line.
#include "dxmgr/dxmgr.h"
#include "tests/support/failing_operator_new.h"

#include <gtest/gtest.h>

TEST(DXMgrWithoutMemory, FailedChecksStillReturnTheirCodes)
{
    IDXMgr* pManager = nullptr;
    ASSERT_EQ(S_OK, DXMgrCreate(IID_IDXMgr, &pManager));

    HRESULT wrongInterface = S_OK;
    HRESULT noRecord = S_OK;
    bool threw = false;
    failing_new::FailAll();
    try {
        IDXMgr* pOther = nullptr;
        wrongInterface = DXMgrCreate(IID_IUnknown, &pOther);
        noRecord = pManager->Enable(nullptr);
    } catch (...) {
        threw = true;
    }
    failing_new::Disarm();
    pManager->Release();

    EXPECT_FALSE(threw) << "an exception left a DXMgr call";
    EXPECT_EQ(E_NOINTERFACE, wrongInterface) << std::hex << wrongInterface;
    EXPECT_TRUE(FAILED(noRecord)) << std::hex << noRecord;
}
