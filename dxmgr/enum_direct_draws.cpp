// The driver enumerator: gathers DirectDraw's driver list into a growable
// list whose records own copies of the driver strings.
#include "dxmgr/dxmgr_ddraw.h"
#include "dxmgr/enumerators.h"

#include <cstring>

namespace dxmgr_detail {

namespace {

// A process-heap copy of a driver string, or null when there is no memory for
// it (the record then simply has no string).
LPSTR CopyDriverString(LPCSTR psz)
{
    if (psz == nullptr) return nullptr;
    const SIZE_T cb = std::strlen(psz) + 1;
    LPSTR pszCopy = static_cast<LPSTR>(HeapBlock(cb));
    if (pszCopy != nullptr) CopyMemory(pszCopy, psz, cb);
    return pszCopy;
}

}  // namespace

HRESULT CEnumDirectDraws::Gather(DWORD dwFlags)
{
    FreeRecords();
    m_iPosition = 0;
    m_dwFlags = dwFlags;
    LPDIRECTDRAWENUMERATEEXA pfnEnumerate = DXMgrDirectDrawEnumerateEx();
    if (pfnEnumerate == nullptr) return DXMGRERR_DIRECTXREQUIRED;
    return pfnEnumerate(DriverCallback, this, dwFlags);
}

BOOL WINAPI CEnumDirectDraws::DriverCallback(GUID* pguid, LPSTR pszDescription, LPSTR pszName,
                                             LPVOID pContext, HMONITOR hMonitor)
{
    CEnumDirectDraws* pThis = static_cast<CEnumDirectDraws*>(pContext);
    DXMgrList<DXMGRDIRECTDRAW>& drivers = pThis->m_drivers;
    // Also covers the very first block: without it the list stays empty and
    // nothing is written.
    if (!drivers.MakeRoom()) return DDENUMRET_CANCEL;

    DXMGRDIRECTDRAW& record = drivers.pElements[drivers.cElements];
    record.pszDescription = CopyDriverString(pszDescription);
    record.pszName = CopyDriverString(pszName);
    // The primary display driver comes without a GUID; all zero stands for it,
    // which is what Initialize takes as "the display driver".
    record.guidDriver = pguid != nullptr ? *pguid : GUID();
    record.hMonitor = hMonitor;
    ++drivers.cElements;
    return DDENUMRET_OK;
}

void CEnumDirectDraws::FreeRecords()
{
    for (DWORD i = 0; i < m_drivers.cElements; ++i) {
        FreeHeapBlock(m_drivers.pElements[i].pszName);
        FreeHeapBlock(m_drivers.pElements[i].pszDescription);
    }
    m_drivers.Free();
}

}  // namespace dxmgr_detail
