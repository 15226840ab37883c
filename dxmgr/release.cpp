// Where the object lets go of its interface fields. Every release of a field
// goes through the three functions here, in one order: viewport, device,
// Direct3D, clipper, back buffer, primary, Z-buffer, DirectDraw.
#include "dxmgr/dxmgr_object.h"
#include "dxmgr/com_holder.h"

void CDXMgr::ReleaseInterfaces(bool fKeepDirectX)
{
    Release3DObjects();
    if (!fKeepDirectX)
        ReleaseField(pD3D);
    ReleaseSurfaces();
    if (!fKeepDirectX)
        ReleaseField(pDD);
}

void CDXMgr::Release3DObjects()
{
    ReleaseField(pViewport);
    ReleaseField(pDevice);
}

void CDXMgr::ReleaseSurfaces()
{
    ReleaseField(pClipper);
    // A full-screen back buffer belongs to the primary's flipping chain and
    // goes with it.
    if (IsFullScreen())
        pddsBack = nullptr;
    else
        ReleaseField(pddsBack);
    ReleaseField(pddsPrimary);
    ReleaseField(pddsZBuffer);
}
