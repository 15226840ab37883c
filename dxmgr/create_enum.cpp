// The four IDXMgr operations that hand out enumerators. Each reads as its
// checks in order; the enumerator then takes a private snapshot, so nothing
// it holds depends on the object afterwards.
#include "dxmgr/com_holder.h"
#include "dxmgr/dxmgr_diagnostics.h"
#include "dxmgr/dxmgr_object.h"
#include "dxmgr/enumerators.h"

#include <utility>

using dxmgr_detail::CEnumDirectDraws;
using dxmgr_detail::CEnumDisplayModes;
using dxmgr_detail::CEnumPixelFormats;

namespace {

// The DDENUM_ flags DirectDraw understands; they are passed on unchanged.
const DWORD kDirectDrawEnumFlags =
    DDENUM_ATTACHEDSECONDARYDEVICES | DDENUM_DETACHEDSECONDARYDEVICES | DDENUM_NONDISPLAYDEVICES;

// Makes an enumerator over a copy of one of the object's lists and hands it
// out with one reference. No memory for the enumerator itself is reported
// with the operation's line; no memory for the copy is not.
template <class Enumerator, class Interface, class Record>
HRESULT HandOutSnapshot(const char* pszOperation, const DXMgrList<Record>& list, Interface** ppEnum)
{
    Enumerator* pNew = Enumerator::New();
    if (pNew == nullptr) return DXMgrFail(pszOperation, "Out of memory", E_OUTOFMEMORY);
    pNew->AddRef();
    ComHolder<Enumerator> pEnum(pNew);
    if (FAILED(pEnum->CopyList(list))) return E_OUTOFMEMORY;
    *ppEnum = pEnum.Detach();
    return S_OK;
}

// Lends a list to an enumeration that fills it in place: the list is set
// aside whole and an empty one takes its place; whatever way the caller
// leaves, the borrowed list is freed and the own list comes back exactly as
// it was.
class ZBufferFormatsSetAside {
public:
    explicit ZBufferFormatsSetAside(DXMgrList<DDPIXELFORMAT>& list) : m_list(list), m_saved(std::move(list)) {}
    // The move frees the borrowed block before the own one comes back.
    ~ZBufferFormatsSetAside() { m_list = std::move(m_saved); }
    ZBufferFormatsSetAside(const ZBufferFormatsSetAside&) = delete;
    ZBufferFormatsSetAside& operator=(const ZBufferFormatsSetAside&) = delete;

private:
    DXMgrList<DDPIXELFORMAT>& m_list;
    DXMgrList<DDPIXELFORMAT> m_saved;
};

}  // namespace

// Needs no DirectDraw object of its own, so it works in every state.
STDMETHODIMP CDXMgr::CreateEnumDirectDraws(IEnumDirectDraws** ppEnum, DWORD dwFlags)
{
    static const char kOperation[] = "CreateEnumDirectDraws";
    if (IsBadOutPointer(ppEnum)) return DXMgrFail(kOperation, "Invalid pointer", E_POINTER);
    if ((dwFlags & ~kDirectDrawEnumFlags) != 0) return DXMgrFail(kOperation, "Invalid flags", E_INVALIDARG);

    CEnumDirectDraws* pNew = CEnumDirectDraws::New();
    if (pNew == nullptr) return DXMgrFail(kOperation, "Out of memory", E_OUTOFMEMORY);
    pNew->AddRef();
    ComHolder<CEnumDirectDraws> pEnum(pNew);
    const HRESULT hr = pEnum->Gather(dwFlags);
    if (FAILED(hr)) return hr;
    *ppEnum = pEnum.Detach();
    return S_OK;
}

STDMETHODIMP CDXMgr::CreateEnumDisplayModes(IEnumDisplayModes** ppEnum, DWORD dwFlags)
{
    static const char kOperation[] = "CreateEnumDisplayModes";
    if (IsBadOutPointer(ppEnum)) return DXMgrFail(kOperation, "Invalid pointer", E_POINTER);
    if (!fInitialized) return DXMgrFail(kOperation, "Not initialized", DXMGRERR_NOTINITIALIZED);
    if (dwFlags != 0) return DXMgrFail(kOperation, "Invalid flags", E_INVALIDARG);
    return HandOutSnapshot<CEnumDisplayModes>(kOperation, displayModes, ppEnum);
}

STDMETHODIMP CDXMgr::CreateEnumTextureFormats(IEnumPixelFormats** ppEnum, DWORD dwFlags)
{
    static const char kOperation[] = "CreateEnumTextureFormats";
    if (IsBadOutPointer(ppEnum)) return DXMgrFail(kOperation, "Invalid pointer", E_POINTER);
    if (!fEnabled) return DXMgrFail(kOperation, "Not enabled", DXMGRERR_NOTENABLED);
    if (dwFlags != 0) return DXMgrFail(kOperation, "Invalid flags", E_INVALIDARG);
    if ((dwEnableFlags & DXMGREF_3D) == 0) return DXMgrFail(kOperation, "3D required", DXMGRERR_3DREQUIRED);
    return HandOutSnapshot<CEnumPixelFormats>(kOperation, textureFormats, ppEnum);
}

// Without a device: the formats of the device Enable chose. With one: that
// device's formats, which needs only the Direct3D object of Initialize.
STDMETHODIMP CDXMgr::CreateEnumZBufferFormats(IEnumPixelFormats** ppEnum, const GUID* pguidDevice,
                                              DWORD dwFlags)
{
    static const char kOperation[] = "CreateEnumZBufferFormats";
    if (IsBadOutPointer(ppEnum)) return DXMgrFail(kOperation, "Invalid pointer", E_POINTER);
    // The blank before the line feed belongs to this line as callers know it.
    if (!fInitialized) return DXMgrFail(kOperation, "Not initialized ", DXMGRERR_NOTINITIALIZED);
    if (dwFlags != 0) return DXMgrFail(kOperation, "Invalid flags", E_INVALIDARG);

    if (pguidDevice == nullptr) {
        if (!fEnabled) return DXMgrFail(kOperation, "Not enabled", DXMGRERR_NOTENABLED);
        if ((dwEnableFlags & DXMGREF_3D) == 0) return DXMgrFail(kOperation, "3D required", DXMGRERR_3DREQUIRED);
        return HandOutSnapshot<CEnumPixelFormats>(kOperation, zBufferFormats, ppEnum);
    }

    if (IsBadInPointer(pguidDevice)) return DXMgrFail(kOperation, "Invalid pointer", E_POINTER);
    if (IsEqualGUID(*pguidDevice, guidDevice)) {
        return HandOutSnapshot<CEnumPixelFormats>(kOperation, zBufferFormats, ppEnum);
    }

    // The Z-buffer callback fills the object's own list; lend it an empty one.
    ZBufferFormatsSetAside setAside(zBufferFormats);
    const HRESULT hr = pD3D->EnumZBufferFormats(*pguidDevice, ZBufferFormatCallback, this);
    if (FAILED(hr)) return hr;
    return HandOutSnapshot<CEnumPixelFormats>(kOperation, zBufferFormats, ppEnum);
}
