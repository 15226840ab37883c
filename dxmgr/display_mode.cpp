// The display mode of full-screen use: set before the flipping chain is made,
// given back when the object leaves full-screen use.
#include "dxmgr/dxmgr_object.h"

HRESULT CDXMgr::SetFullScreenMode(const DXMGRENABLE& enable, HRESULT hrPrevious)
{
    DWORD dwModeWidth = 640, dwModeHeight = 480, dwModeBPP = 16, dwModeRefreshRate = 0;
    HRESULT hr = S_OK;
    if ((enable.dwFlags & DXMGREF_DISPLAYMODE) != 0) {
        dwModeWidth = enable.dwWidth;
        dwModeHeight = enable.dwHeight;
        dwModeBPP = enable.dwBPP;
        dwModeRefreshRate = enable.dwRefreshRate;
    } else if (hrPrevious != DDERR_NODIRECTDRAWHW) {
        // Asks the driver about video memory before the default mode; a
        // driver that just said it has no hardware is not asked again.
        DDSCAPS2 ddsCaps;
        ZeroMemory(&ddsCaps, sizeof(ddsCaps));
        DWORD dwTotal = 0, dwFree = 0;
        hr = pDD->GetAvailableVidMem(&ddsCaps, &dwTotal, &dwFree);
    }
    if (SUCCEEDED(hr))
        hr = pDD->SetDisplayMode(dwModeWidth, dwModeHeight, dwModeBPP, dwModeRefreshRate, 0);
    if (FAILED(hr))
        return hr;
    dwWidth = dwModeWidth;
    dwHeight = dwModeHeight;
    return hr;
}

void CDXMgr::LeaveFullScreenMode()
{
    // Nothing is left to do about a refusal: the object lets go of the
    // display whatever DirectDraw answers.
    if (IsFullScreen() && pDD != nullptr)
        pDD->RestoreDisplayMode();
}
