// Enable and Disable, each the list of its steps in order; the steps live in
// display_mode.cpp, surfaces.cpp, zbuffer.cpp and device_3d.cpp.
#include "dxmgr/dxmgr_object.h"
#include "dxmgr/dxmgr_diagnostics.h"

#include <cmath>

namespace {

// A zero far plane or one equal to the near plane would divide by zero in
// the projection; a non-finite one gives a matrix of NaNs.
bool AreValidPlanes(float dvNear, float dvFar)
{
    return std::isfinite(dvNear) && std::isfinite(dvFar) && dvFar != 0.0f && dvFar != dvNear;
}

// The caller's level plus what the mode needs: full-screen takes the display
// for itself, in the caller's window or one DirectDraw makes.
DWORD CooperativeLevel(const DXMGRENABLE& enable)
{
    if ((enable.dwFlags & DXMGREF_FULLSCREEN) == 0)
        return enable.dwCoopLevel | DDSCL_NORMAL;
    return enable.dwCoopLevel | DDSCL_FULLSCREEN | DDSCL_EXCLUSIVE
           | (enable.hwndDevice != nullptr ? DDSCL_SETDEVICEWINDOW : DDSCL_CREATEDEVICEWINDOW);
}

} // namespace

STDMETHODIMP CDXMgr::Enable(const DXMGRENABLE* pEnable)
{
    if (pDD == nullptr)
        return DXMgrFail("Enable", "Not initialized", DXMGRERR_NOTINITIALIZED);
    if (fEnabled)
        return DXMgrFail("Enable", "Already enabled", DXMGRERR_ALREADYENABLED);
    if (IsBadInPointer(pEnable))
        return DXMgrFail("Enable", "Invalid pointer", E_POINTER);
    // Work on a copy, so that the record cannot change under the checks.
    const DXMGRENABLE enable = *pEnable;
    const bool fFullScreen = (enable.dwFlags & DXMGREF_FULLSCREEN) != 0;
    if (!fFullScreen && (enable.dwFlags & (DXMGREF_DISPLAYMODE | DXMGREF_BACKBUFFERCOUNT)) != 0)
        return DXMgrFail("Enable", "Invalid flags", E_INVALIDARG);
    dwEnableFlags = enable.dwFlags;
    hwndDevice = enable.hwndDevice;
    if (hwndDevice != nullptr && !IsWindow(hwndDevice))
        return DXMgrFail("Enable", "Invalid window", E_INVALIDARG);
    if (hwndDevice == nullptr && !fFullScreen)
        return DXMgrFail("Enable", "hwndDevice must be set in Enable if windowed mode requested", E_INVALIDARG);
    if ((enable.dwFlags & DXMGREF_3D) != 0 && !AreValidPlanes(enable.dvNear, enable.dvFar))
        return DXMgrFail("Enable", "Invalid near/far planes", E_INVALIDARG);

    HRESULT hr = pDD->SetCooperativeLevel(hwndDevice, CooperativeLevel(enable));
    if (SUCCEEDED(hr)) {
        // No usable device listed is not a failure: the device stays as it
        // was and CreateDevice has the last word.
        ChooseDevice(enable, false);
        const HRESULT hrFirst = BuildSurfaces(enable, S_OK);
        hr = hrFirst;
        if (FAILED(hrFirst)) {
            // Only the retry's failure is reported; it passes over the
            // hardware device.
            ChooseDevice(enable, true);
            hr = BuildSurfaces(enable, hrFirst);
        }
    }
    if (SUCCEEDED(hr) && (enable.dwFlags & DXMGREF_3D) != 0)
        hr = Create3DDevice(enable);
    if (FAILED(hr)) {
        Uninitialize();
        return hr;
    }
    fEnabled = true;
    return S_OK;
}

STDMETHODIMP CDXMgr::Disable(DWORD)
{
    if (!fEnabled)
        return DXMgrFail("Disable", "Not enabled", DXMGRERR_NOTENABLED);
    LeaveFullScreenMode();
    ReleaseInterfaces(true);
    fEnabled = false;
    return S_OK;
}
