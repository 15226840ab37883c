// Next, Skip, Reset, Clone, QueryInterface and reference counting on each
// enumerator kind, and the snapshots' independence from the DXMgr object.
#include "dxmgr/dxmgr_list.h"
#include "dxmgr/enumerator.h"
#include "tests/support/debug_output_capture.h"
#include "tests/dxmgr/dxmgr_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <memory>
#include <string>
#include <type_traits>
#include <cstring>
#include <vector>

namespace {

// Records as owned bytes, so that they can be compared after the enumerator
// that handed them out is gone (a driver record's strings die with it).
template <class Record>
std::string Fingerprint(const Record& record)
{
    return std::string(reinterpret_cast<const char*>(&record), sizeof record);
}
std::string Fingerprint(const DXMGRDIRECTDRAW& driver)
{
    auto text = [](const char* psz) { return psz == nullptr ? std::string("<null>") : "\"" + std::string(psz) + "\""; };
    return GuidText(driver.guidDriver) + " " + text(driver.pszName) + " " + text(driver.pszDescription) + " " +
           std::to_string(reinterpret_cast<UINT_PTR>(driver.hMonitor));
}

template <class Record>
std::vector<std::string> Fingerprints(const std::vector<Record>& records)
{
    std::vector<std::string> result;
    for (const Record& record : records) result.push_back(Fingerprint(record));
    return result;
}

template <class Record>
bool SameRecord(const std::string& expected, const Record& record)
{
    return expected == Fingerprint(record);
}

template <class Record>
bool SameRecords(const std::vector<std::string>& expected, const std::vector<Record>& records)
{
    return expected == Fingerprints(records);
}

// One per enumerator kind and source: how to get one from an enabled object.
struct Drivers {
    using Interface = IEnumDirectDraws;
    using Record = DXMGRDIRECTDRAW;
    static HRESULT Create(IDXMgr* mgr, Interface** pp) { return mgr->CreateEnumDirectDraws(pp, 0); }
};
struct DisplayModes {
    using Interface = IEnumDisplayModes;
    using Record = DXMGRDISPLAYMODE;
    static HRESULT Create(IDXMgr* mgr, Interface** pp) { return mgr->CreateEnumDisplayModes(pp, 0); }
};
struct TextureFormats {
    using Interface = IEnumPixelFormats;
    using Record = DDPIXELFORMAT;
    static HRESULT Create(IDXMgr* mgr, Interface** pp) { return mgr->CreateEnumTextureFormats(pp, 0); }
};
struct ZBufferFormats {
    using Interface = IEnumPixelFormats;
    using Record = DDPIXELFORMAT;
    static HRESULT Create(IDXMgr* mgr, Interface** pp) { return mgr->CreateEnumZBufferFormats(pp, nullptr, 0); }
};

template <class Kind>
class EnumeratorCursor : public ::testing::Test {
protected:
    using Interface = typename Kind::Interface;
    using Record = typename Kind::Record;

    // One enabled object per kind serves the cases that leave it alone:
    // enabling one takes seconds on an emulated CPU. Each case still gets an
    // enumerator of its own.
    static void SetUpTestSuite()
    {
        s_window = std::make_unique<TestWindow>();
        s_mgr = Ref<IDXMgr>(EnabledManager(s_window->Handle(), DXMGREF_3D | DXMGREF_ZBUFFER));
    }
    static void TearDownTestSuite()
    {
        s_mgr.Reset();
        s_window.reset();
    }

    void SetUp() override
    {
        ASSERT_TRUE(s_mgr);
        const HRESULT hr = Kind::Create(s_mgr.Get(), m_enum.Out());
        ASSERT_EQ(S_OK, hr) << Hex(hr);
        m_all = Fingerprints(ReadAll<Interface, Record>(m_enum.Get()));
        ASSERT_FALSE(m_all.empty());
        ASSERT_EQ(S_OK, m_enum->Reset());
    }

    ULONG Count() const { return static_cast<ULONG>(m_all.size()); }

    static std::unique_ptr<TestWindow> s_window;
    static Ref<IDXMgr> s_mgr;
    Ref<Interface> m_enum;
    std::vector<std::string> m_all;  // every record, read once in SetUp
};
template <class Kind>
std::unique_ptr<TestWindow> EnumeratorCursor<Kind>::s_window;
template <class Kind>
Ref<IDXMgr> EnumeratorCursor<Kind>::s_mgr;

using Kinds = ::testing::Types<Drivers, DisplayModes, TextureFormats, ZBufferFormats>;
TYPED_TEST_SUITE(EnumeratorCursor, Kinds);

TYPED_TEST(EnumeratorCursor, NextHandsOutAllThenReportsTheEnd)
{
    using Record = typename TypeParam::Record;
    const ULONG n = this->Count();
    std::vector<Record> records(n);
    ULONG cFetched = 0;
    HRESULT hr = this->m_enum->Next(n, records.data(), &cFetched);
    EXPECT_EQ(S_OK, hr) << Hex(hr);
    EXPECT_EQ(n, cFetched);
    EXPECT_TRUE(SameRecords(this->m_all, records));

    Record one = {};
    cFetched = 99;
    hr = this->m_enum->Next(1, &one, &cFetched);
    EXPECT_EQ(S_FALSE, hr) << Hex(hr);
    EXPECT_EQ(0u, cFetched);

    cFetched = 99;
    hr = this->m_enum->Next(0, &one, &cFetched);  // nothing wanted, also at the end
    EXPECT_EQ(S_OK, hr) << Hex(hr);
    EXPECT_EQ(0u, cFetched);

    EXPECT_EQ(S_OK, this->m_enum->Reset());
    hr = this->m_enum->Next(1, &one, &cFetched);
    EXPECT_EQ(S_OK, hr) << Hex(hr);
    EXPECT_EQ(1u, cFetched);
    EXPECT_TRUE(SameRecord(this->m_all[0], one));
}

TYPED_TEST(EnumeratorCursor, NextPastTheEndCopiesOnlyWhatIsLeft)
{
    using Record = typename TypeParam::Record;
    const ULONG n = this->Count();
    const ULONG cLeft = std::min<ULONG>(3, n);
    ASSERT_EQ(S_OK, this->m_enum->Skip(n - cLeft));

    // Records past what is left must stay as the caller had them.
    Record sentinel;
    std::memset(&sentinel, 0xA5, sizeof sentinel);
    std::vector<Record> records(cLeft + 2, sentinel);
    ULONG cFetched = 0;
    const HRESULT hr = this->m_enum->Next(cLeft + 2, records.data(), &cFetched);
    EXPECT_EQ(S_FALSE, hr) << Hex(hr);
    EXPECT_EQ(cLeft, cFetched);
    for (ULONG i = 0; i < cLeft; ++i) EXPECT_TRUE(SameRecord(this->m_all[n - cLeft + i], records[i])) << i;
    for (ULONG i = cLeft; i < cLeft + 2; ++i)
        EXPECT_EQ(0, std::memcmp(&sentinel, &records[i], sizeof sentinel)) << "record " << i << " was written";
}

TYPED_TEST(EnumeratorCursor, NextAcceptsNullFetchedPointer)
{
    using Record = typename TypeParam::Record;
    const ULONG n = this->Count();
    Record one = {};
    HRESULT hr = this->m_enum->Next(1, &one, nullptr);
    EXPECT_EQ(S_OK, hr) << Hex(hr);
    EXPECT_TRUE(SameRecord(this->m_all[0], one));

    std::vector<Record> rest(n + 4);
    hr = this->m_enum->Next(n + 4, rest.data(), nullptr);
    EXPECT_EQ(S_FALSE, hr) << Hex(hr);
    if (n > 1) {
        EXPECT_TRUE(SameRecord(this->m_all[1], rest[0]));
    }
}

TYPED_TEST(EnumeratorCursor, NullPointersAreRefusedQuietlyAndNothingMoves)
{
    using Record = typename TypeParam::Record;
    DebugOutputCapture capture;
    HRESULT hr = this->m_enum->Clone(nullptr);
    EXPECT_EQ(E_POINTER, hr) << Hex(hr);
    ULONG cFetched = 99;
    hr = this->m_enum->Next(1, nullptr, &cFetched);
    EXPECT_EQ(E_POINTER, hr) << Hex(hr);
    EXPECT_EQ(0u, cFetched);
    EXPECT_TRUE(capture.Lines().empty()) << capture.Text();

    Record one = {};
    ASSERT_EQ(S_OK, this->m_enum->Next(1, &one, &cFetched));
    EXPECT_TRUE(SameRecord(this->m_all[0], one)) << "a refused Next moved the cursor";
}

TYPED_TEST(EnumeratorCursor, SkipLandingOnTheEndIsOkAndBeyondStopsThere)
{
    using Record = typename TypeParam::Record;
    const ULONG n = this->Count();
    Record one = {};
    ULONG cFetched = 99;

    HRESULT hr = this->m_enum->Skip(n);
    EXPECT_EQ(S_OK, hr) << Hex(hr);
    EXPECT_EQ(S_FALSE, this->m_enum->Next(1, &one, &cFetched));
    EXPECT_EQ(0u, cFetched);
    EXPECT_EQ(S_OK, this->m_enum->Skip(0));

    this->m_enum->Reset();
    hr = this->m_enum->Skip(n + 1);
    EXPECT_EQ(S_FALSE, hr) << Hex(hr);
    EXPECT_EQ(S_FALSE, this->m_enum->Next(1, &one, &cFetched));
    EXPECT_EQ(0u, cFetched);

    // A count that would wrap the position round still ends at the end.
    this->m_enum->Reset();
    ASSERT_EQ(S_OK, this->m_enum->Skip(1));
    hr = this->m_enum->Skip(ULONG_MAX);
    EXPECT_EQ(S_FALSE, hr) << Hex(hr);
    EXPECT_EQ(S_FALSE, this->m_enum->Next(1, &one, &cFetched));
    EXPECT_EQ(0u, cFetched);

    this->m_enum->Reset();
    if (n > 1) {
        ASSERT_EQ(S_OK, this->m_enum->Skip(n - 1));
        EXPECT_EQ(S_OK, this->m_enum->Next(1, &one, &cFetched));
        EXPECT_TRUE(SameRecord(this->m_all[n - 1], one));
    }
}

TYPED_TEST(EnumeratorCursor, CloneStartsWhereTheSourceIsAndMovesAlone)
{
    using Interface = typename TypeParam::Interface;
    using Record = typename TypeParam::Record;
    const ULONG n = this->Count();
    const ULONG k = n / 2;
    ASSERT_EQ(S_OK, this->m_enum->Skip(k));

    Interface* pClone = nullptr;
    HRESULT hr = this->m_enum->Clone(&pClone);
    ASSERT_EQ(S_OK, hr) << Hex(hr);
    ASSERT_NE(nullptr, pClone);
    ASSERT_NE(static_cast<Interface*>(this->m_enum.Get()), pClone);

    Record one = {};
    ULONG cFetched = 0;
    ASSERT_EQ(S_OK, pClone->Next(1, &one, &cFetched));
    EXPECT_TRUE(SameRecord(this->m_all[k], one));
    pClone->Reset();  // must not move the source

    ASSERT_EQ(S_OK, this->m_enum->Next(1, &one, &cFetched));
    EXPECT_TRUE(SameRecord(this->m_all[k], one));

    // The clone outlives its source and holds exactly one reference.
    this->m_enum.Reset();
    EXPECT_TRUE(SameRecords(this->m_all, ReadAll<Interface, Record>(pClone)));
    EXPECT_EQ(0u, pClone->Release());
}

TYPED_TEST(EnumeratorCursor, AnswersOnlyItsOwnInterface)
{
    using Interface = typename TypeParam::Interface;
    const IID* own = std::is_same<Interface, IEnumDirectDraws>::value    ? &IID_IEnumDirectDraws
                     : std::is_same<Interface, IEnumDisplayModes>::value ? &IID_IEnumDisplayModes
                                                                          : &IID_IEnumPixelFormats;
    for (const IID* iid : {&IID_IUnknown, own}) {
        void* pv = nullptr;
        HRESULT hr = this->m_enum->QueryInterface(*iid, &pv);
        EXPECT_EQ(S_OK, hr) << GuidText(*iid) << " " << Hex(hr);
        EXPECT_EQ(static_cast<IUnknown*>(this->m_enum.Get()), pv);
        // Source's reference, this one, and the probe.
        EXPECT_EQ(3u, this->m_enum->AddRef());
        EXPECT_EQ(2u, this->m_enum->Release());
        if (pv != nullptr) {
            EXPECT_EQ(1u, static_cast<IUnknown*>(pv)->Release());
        }
    }
    for (const IID* iid : {&IID_IDXMgr, &IID_IEnumDirectDraws, &IID_IEnumDisplayModes, &IID_IEnumPixelFormats}) {
        if (IsEqualIID(*iid, *own)) continue;
        void* pv = reinterpret_cast<void*>(0x1234);
        const HRESULT hr = this->m_enum->QueryInterface(*iid, &pv);
        EXPECT_EQ(E_NOINTERFACE, hr) << GuidText(*iid) << " " << Hex(hr);
        EXPECT_EQ(nullptr, pv) << GuidText(*iid);
    }
    EXPECT_EQ(E_POINTER, this->m_enum->QueryInterface(IID_IUnknown, nullptr));
    EXPECT_EQ(2u, this->m_enum->AddRef());
    EXPECT_EQ(1u, this->m_enum->Release());
}

TYPED_TEST(EnumeratorCursor, KeepsItsRecordsThroughDisableEnableAndRelease)
{
    using Interface = typename TypeParam::Interface;
    using Record = typename TypeParam::Record;
    // An object of its own, which this case disables, enables and releases.
    TestWindow window;
    Ref<IDXMgr> mgr(EnabledManager(window.Handle(), DXMGREF_3D | DXMGREF_ZBUFFER));
    ASSERT_TRUE(mgr);
    Ref<Interface> source;
    ASSERT_EQ(S_OK, TypeParam::Create(mgr.Get(), source.Out()));
    ASSERT_TRUE(SameRecords(this->m_all, ReadAll<Interface, Record>(source.Get())));

    HRESULT hr = mgr->Disable(0);
    ASSERT_EQ(S_OK, hr) << Hex(hr);
    source->Reset();
    EXPECT_TRUE(SameRecords(this->m_all, ReadAll<Interface, Record>(source.Get())));

    // Enabling again refills the object's lists in their old blocks.
    const DXMGRENABLE enable = WindowedEnable(window.Handle(), DXMGREF_3D | DXMGREF_ZBUFFER);
    hr = mgr->Enable(&enable);
    ASSERT_EQ(S_OK, hr) << Hex(hr);
    source->Reset();
    EXPECT_TRUE(SameRecords(this->m_all, ReadAll<Interface, Record>(source.Get())));

    mgr.Reset();
    source->Reset();
    Ref<Interface> clone;
    ASSERT_EQ(S_OK, source->Clone(clone.Out()));
    EXPECT_TRUE(SameRecords(this->m_all, ReadAll<Interface, Record>(source.Get())));
    EXPECT_TRUE(SameRecords(this->m_all, ReadAll<Interface, Record>(clone.Get())));
}

// ---------------------------------------------------------------------------
// The shared Clone with a kind whose clone finds fewer records than the
// source had passed, as a driver clone does when a driver went away.

class ShrinkingEnumerator
    : public dxmgr_detail::CEnumerator<ShrinkingEnumerator, IEnumDisplayModes, DXMGRDISPLAYMODE,
                                       IID_IEnumDisplayModes> {
public:
    const DXMGRDISPLAYMODE* Records() const { return m_records; }
    DWORD RecordCount() const { return m_cRecords; }
    HRESULT FillCloneOf(const ShrinkingEnumerator& source)
    {
        m_cRecords = source.m_cRecords - 2;
        std::memcpy(m_records, source.m_records, sizeof m_records);
        return S_OK;
    }
    void FreeRecords() {}

    DXMGRDISPLAYMODE m_records[4] = {{1, 1, 1, 1}, {2, 2, 2, 2}, {3, 3, 3, 3}, {4, 4, 4, 4}};
    DWORD m_cRecords = 4;
};

TEST(EnumeratorClone, PositionIsClampedToTheClonesRecords)
{
    for (ULONG position : {3u, 4u}) {
        SCOPED_TRACE(position);
        Ref<IEnumDisplayModes> source(ShrinkingEnumerator::New());
        ASSERT_TRUE(source);
        source->AddRef();
        ASSERT_EQ(S_OK, source->Skip(position));

        Ref<IEnumDisplayModes> clone;
        ASSERT_EQ(S_OK, source->Clone(clone.Out()));
        DXMGRDISPLAYMODE mode = {};
        ULONG cFetched = 99;
        EXPECT_EQ(S_FALSE, clone->Next(1, &mode, &cFetched));
        EXPECT_EQ(0u, cFetched);
        EXPECT_EQ(S_OK, clone->Skip(0));
        EXPECT_EQ(S_FALSE, clone->Skip(1));
        clone->Reset();
        EXPECT_EQ(S_OK, clone->Skip(2));  // exactly its two records
    }
}

// ---------------------------------------------------------------------------
// The driver list grows by the lists' one rule; Wine reports too few drivers
// to make it grow, so the rule is exercised here directly with driver records.

TEST(DriverList, GrowsByDoublingKeepingRecordsAndZeroFilledSlots)
{
    DXMgrList<DXMGRDIRECTDRAW> list;
    const DWORD expectedCapacity[] = {2, 2, 4, 4, 8, 8, 8, 8, 16};
    for (DWORD i = 0; i < 9; ++i) {
        ASSERT_TRUE(list.MakeRoom());
        // The slot the driver callback fills in place starts zeroed.
        const DXMGRDIRECTDRAW zero = {};
        EXPECT_EQ(0, std::memcmp(&zero, &list.pElements[list.cElements], sizeof zero)) << "slot " << i;
        DXMGRDIRECTDRAW record = {};
        record.guidDriver.Data1 = i + 1;
        record.hMonitor = reinterpret_cast<HMONITOR>(static_cast<UINT_PTR>(0x100 + i));
        ASSERT_TRUE(list.AppendElement(record));
        EXPECT_EQ(i + 1, list.cElements);
        EXPECT_EQ(expectedCapacity[i], list.cCapacity) << "after " << i + 1 << " records";
    }
    for (DWORD i = 0; i < 9; ++i) {
        EXPECT_EQ(i + 1, list.pElements[i].guidDriver.Data1) << i;
        EXPECT_EQ(reinterpret_cast<HMONITOR>(static_cast<UINT_PTR>(0x100 + i)), list.pElements[i].hMonitor) << i;
    }
    list.Free();
    EXPECT_EQ(nullptr, list.pElements);
}

}  // namespace
