#pragma once
// The three enumerator kinds that the CreateEnum* operations hand out.
#include "dxmgr/dxmgr.h"
#include "dxmgr/dxmgr_list.h"
#include "dxmgr/enumerator.h"

namespace dxmgr_detail {

// Display modes and pixel formats: an exact copy of one of the object's lists,
// taken when the enumerator is made.
template <class Interface, class Record, const IID& Iid>
class CListSnapshotEnumerator
    : public CEnumerator<CListSnapshotEnumerator<Interface, Record, Iid>, Interface, Record, Iid> {
public:
    CListSnapshotEnumerator() = default;
    ~CListSnapshotEnumerator() = default;

    // Takes a private copy of cRecords records; E_OUTOFMEMORY leaves the
    // enumerator without records.
    HRESULT CopyRecords(const Record* pSource, DWORD cRecords)
    {
        FreeRecords();
        this->m_iPosition = 0;
        if (pSource == nullptr || cRecords == 0) return S_OK;
        Record* pCopy = static_cast<Record*>(HeapBlock(SIZE_T(cRecords) * sizeof(Record)));
        if (pCopy == nullptr) return E_OUTOFMEMORY;
        CopyMemory(pCopy, pSource, SIZE_T(cRecords) * sizeof(Record));
        m_pRecords = pCopy;
        m_cRecords = cRecords;
        return S_OK;
    }

    HRESULT CopyList(const DXMgrList<Record>& list) { return CopyRecords(list.pElements, list.cElements); }

    const Record* Records() const { return m_pRecords; }
    DWORD RecordCount() const { return m_cRecords; }

    HRESULT FillCloneOf(const CListSnapshotEnumerator& source)
    {
        return CopyRecords(source.m_pRecords, source.m_cRecords);
    }

    void FreeRecords()
    {
        FreeHeapBlock(m_pRecords);
        m_pRecords = nullptr;
        m_cRecords = 0;
    }

private:
    Record* m_pRecords = nullptr;
    DWORD m_cRecords = 0;
};

using CEnumDisplayModes = CListSnapshotEnumerator<IEnumDisplayModes, DXMGRDISPLAYMODE, IID_IEnumDisplayModes>;
using CEnumPixelFormats = CListSnapshotEnumerator<IEnumPixelFormats, DDPIXELFORMAT, IID_IEnumPixelFormats>;

// DirectDraw drivers as DirectDrawEnumerateExA reports them, each with its own
// copies of the name and description strings.
class CEnumDirectDraws
    : public CEnumerator<CEnumDirectDraws, IEnumDirectDraws, DXMGRDIRECTDRAW, IID_IEnumDirectDraws> {
public:
    CEnumDirectDraws() = default;
    ~CEnumDirectDraws() = default;

    // Asks DirectDraw for its drivers with the given DDENUM_ flags and keeps
    // them; returns what DirectDrawEnumerateExA returned. Running out of
    // memory part-way ends the list quietly with the drivers gathered so far.
    HRESULT Gather(DWORD dwFlags);

    const DXMGRDIRECTDRAW* Records() const { return m_drivers.pElements; }
    DWORD RecordCount() const { return m_drivers.cElements; }

    // A clone sees the drivers present now, not this enumerator's records.
    HRESULT FillCloneOf(const CEnumDirectDraws& source) { return Gather(source.m_dwFlags); }

    void FreeRecords();

private:
    static BOOL WINAPI DriverCallback(GUID* pguid, LPSTR pszDescription, LPSTR pszName, LPVOID pContext,
                                      HMONITOR hMonitor);

    DXMgrList<DXMGRDIRECTDRAW> m_drivers;
    DWORD m_dwFlags = 0;  // the DDENUM_ flags of the gathering, for Clone
};

}  // namespace dxmgr_detail
