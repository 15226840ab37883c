// The DXMgr object's lifetime: the factory, reference counting, the usage
// counter, Uninitialize and destruction.
#include "dxmgr/dxmgr_object.h"
#include "dxmgr/com_holder.h"
#include "dxmgr/dxmgr_ddraw.h"
#include "dxmgr/dxmgr_diagnostics.h"

#include <new>

// The records are exchanged with 32-bit callers built against the original
// layout.
#if !defined(_WIN64)
static_assert(sizeof(DXMGRENABLE) == 88, "DXMGRENABLE is 88 bytes on i686");
static_assert(sizeof(DXMGRENABLEINFO) == 104, "DXMGRENABLEINFO is 104 bytes on i686");
static_assert(sizeof(DXMGRDIRECTDRAW) == 28, "DXMGRDIRECTDRAW is 28 bytes on i686");
static_assert(sizeof(DDSURFACEDESC2) == 124, "DirectX 6 DDSURFACEDESC2");
#endif
static_assert(sizeof(DXMGRDISPLAYMODE) == 16, "DXMGRDISPLAYMODE is four DWORDs");
static_assert(sizeof(DDPIXELFORMAT) == 32, "DirectX 6 DDPIXELFORMAT");
static_assert(sizeof(D3DDEVICEDESC) == 252, "DirectX 6 D3DDEVICEDESC");

namespace {

const char kUsageCounterName[] = "__DXMgrUsageCount__";

HMODULE g_hDDraw = nullptr;
LPDIRECTDRAWENUMERATEEXA g_pfnDirectDrawEnumerateExA = nullptr;

// DXMgrCreate holds COM for the duration of the call. A thread already in
// another apartment keeps its own initialisation: only a successful
// CoInitialize is balanced.
class ComForThisCall {
public:
    ComForThisCall() : m_hr(CoInitialize(nullptr)) {}
    ~ComForThisCall()
    {
        if (SUCCEEDED(m_hr))
            CoUninitialize();
    }
    ComForThisCall(const ComForThisCall&) = delete;
    ComForThisCall& operator=(const ComForThisCall&) = delete;

private:
    HRESULT m_hr;
};

// True when this system's DirectDraw offers the DirectX 6 interface.
HRESULT ProbeDirectDraw4()
{
    ComHolder<IDirectDraw> probe;
    HRESULT hr = Created(
        CoCreateInstance(CLSID_DirectDraw, nullptr, CLSCTX_INPROC_SERVER, IID_IDirectDraw, probe.OutVoid()), probe);
    if (FAILED(hr))
        return hr;
    // Declared after the first interface, so that it goes first.
    ComHolder<IDirectDraw4> probe4;
    hr = Created(probe->QueryInterface(IID_IDirectDraw4, probe4.OutVoid()), probe4);
    return SUCCEEDED(hr) ? S_OK : DXMGRERR_DIRECTXREQUIRED;
}

} // namespace

LPDIRECTDRAWENUMERATEEXA DXMgrDirectDrawEnumerateEx()
{
    return g_pfnDirectDrawEnumerateExA;
}

extern "C" HRESULT WINAPI DXMgrCreate(REFIID riid, IDXMgr** ppDXMgr)
{
    ComForThisCall com;

    if (!IsEqualIID(riid, IID_IDXMgr))
        return DXMgrFail("DXMgrCreate", "Invalid REFIID, must be IID_IDXMgr", E_NOINTERFACE);
    if (IsBadOutPointer(ppDXMgr))
        return DXMgrFail("DXMgrCreate", "Invalid pointer", E_POINTER);

    HMODULE hDDraw = LoadLibraryA("ddraw.dll");
    if (hDDraw == nullptr)
        return DXMgrFail("DXMgrCreate", "Failed to load ddraw.dll", DXMGRERR_DIRECTXREQUIRED);
    FARPROC pfn = GetProcAddress(hDDraw, "DirectDrawEnumerateExA");
    if (pfn == nullptr) {
        FreeLibrary(hDDraw);
        return DXMgrFail("DXMgrCreate", "Failed to GPA DirectDrawEnumerateEx", DXMGRERR_DIRECTXREQUIRED);
    }
    // The load reference is kept for the rest of the process: enumerators
    // may call DirectDrawEnumerateExA long after this object is gone.
    g_hDDraw = hDDraw;
    g_pfnDirectDrawEnumerateExA = reinterpret_cast<LPDIRECTDRAWENUMERATEEXA>(reinterpret_cast<void*>(pfn));

    HRESULT hr = ProbeDirectDraw4();
    if (FAILED(hr))
        return hr;

    CDXMgr* pObject = new (std::nothrow) CDXMgr;
    if (pObject == nullptr)
        return DXMgrFail("DXMgrCreate", "Could not create DXMgr object", E_OUTOFMEMORY);
    pObject->AddRef();
    *ppDXMgr = pObject;
    return S_OK;
}

CDXMgr::CDXMgr()
    : cRef(0)
{
    // The object keeps COM for its thread until it is destroyed; a thread
    // already in another apartment keeps its own initialisation.
    m_hrCoInitialize = CoInitialize(nullptr);
    hUsageMapping = nullptr;
    plUsageCount = nullptr;
    ResetFields();
    AttachUsageCounter();
}

CDXMgr::~CDXMgr()
{
    Uninitialize();
    DetachUsageCounter();
    if (SUCCEEDED(m_hrCoInitialize))
        CoUninitialize();
}

void CDXMgr::AttachUsageCounter()
{
    // Failing to reach the counter is silent: it only counts, nothing relies on it.
    hUsageMapping = OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, kUsageCounterName);
    if (hUsageMapping == nullptr)
        hUsageMapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(LONG),
                                           kUsageCounterName);
    if (hUsageMapping == nullptr)
        return;
    plUsageCount = static_cast<volatile LONG*>(MapViewOfFile(hUsageMapping, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(LONG)));
    if (plUsageCount != nullptr)
        InterlockedIncrement(plUsageCount);
}

void CDXMgr::DetachUsageCounter()
{
    if (plUsageCount != nullptr)
        UnmapViewOfFile(const_cast<LONG*>(plUsageCount));
    if (hUsageMapping != nullptr)
        CloseHandle(hUsageMapping);
    plUsageCount = nullptr;
    hUsageMapping = nullptr;
}

STDMETHODIMP CDXMgr::QueryInterface(REFIID riid, void** ppvObject)
{
    if (ppvObject == nullptr)
        return E_POINTER;
    *ppvObject = nullptr;
    if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IDXMgr))
        return E_NOINTERFACE;
    AddRef();
    *ppvObject = static_cast<IDXMgr*>(this);
    return S_OK;
}

STDMETHODIMP_(ULONG) CDXMgr::AddRef()
{
    return ++cRef;
}

STDMETHODIMP_(ULONG) CDXMgr::Release()
{
    ULONG cRemaining = --cRef;
    if (cRemaining == 0)
        delete this;
    return cRemaining;
}

void CDXMgr::Uninitialize()
{
    LeaveFullScreenMode();
    ReleaseInterfaces(false);
    ResetFields();
}

void CDXMgr::ResetFields()
{
    fInitialized = false;
    fEnabled = false;
    hwndFocus = nullptr;
    hwndDevice = nullptr;
    pDD = nullptr;
    pddsPrimary = nullptr;
    pddsBack = nullptr;
    pddsZBuffer = nullptr;
    pClipper = nullptr;
    pD3D = nullptr;
    pDevice = nullptr;
    pViewport = nullptr;
    dwInitFlags = 0;
    dwEnableFlags = 0;
    dwWidth = 0;
    dwHeight = 0;
    ZeroMemory(&guidDevice, sizeof(guidDevice));
    ZeroMemory(&ddpfPrimary, sizeof(ddpfPrimary));
    ZeroMemory(&ddpfZBuffer, sizeof(ddpfZBuffer));
    // The lists give their blocks back; a new object's have none yet.
    devices.Free();
    textureFormats.Free();
    zBufferFormats.Free();
    displayModes.Free();
}
