// The test window's display: the DXMgr manager and 3D device it draws with,
// and one frame of the scene.
#include "app/d3d_test.h"

#include "dxmgr/dxmgr.h"

namespace {

// The triangle is drawn as a strip of its three vertices.
const DWORD TRIANGLE_VERTEX_COUNT = SCENE_VERTEX_COUNT;

template <typename Interface>
void ReleaseAndClear(Interface*& pointer)
{
    if (pointer) {
        pointer->Release();
        pointer = nullptr;
    }
}

int CreateDisplayManagerFailed()
{
    ReleaseAndClear(g_test.manager);
    return -1;
}

int EnableDisplayManagerFailed()
{
    ReleaseDisplayManager();
    return -1;
}

// A frame can go on once the scene has begun, restoring lost surfaces once.
bool BeginFrame()
{
    if (SUCCEEDED(g_test.device->BeginScene()))
        return true;
    if (FAILED(g_test.manager->RestoreSurfaces()))
        return false;
    return SUCCEEDED(g_test.device->BeginScene());
}

}  // namespace

int CreateDisplayManager(HWND window)
{
    if (FAILED(DXMgrCreate(IID_IDXMgr, &g_test.manager)))
        return CreateDisplayManagerFailed();
    if (FAILED(g_test.manager->Initialize(nullptr, window, 0)))
        return CreateDisplayManagerFailed();
    return 0;
}

int EnableDisplayManager()
{
    if (!g_test.manager)
        return -1;
    DXMGRENABLE enable = {};
    enable.dwFlags = DXMGREF_3D;
    enable.hwndDevice = g_test.window;
    enable.dvNear = NEAR_PLANE;
    enable.dvFar = FAR_PLANE;
    if (FAILED(g_test.manager->Enable(&enable)))
        return EnableDisplayManagerFailed();
    if (FAILED(g_test.manager->GetDirect3DDevice(&g_test.device)))
        return EnableDisplayManagerFailed();
    // Both faces show as the triangle turns.
    g_test.device->SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
    g_test.device->SetRenderState(D3DRENDERSTATE_DITHERENABLE, TRUE);
    return 0;
}

void ReleaseDisplayManager()
{
    ReleaseAndClear(g_test.device);
    if (g_test.manager) {
        g_test.manager->Disable(0);
        ReleaseAndClear(g_test.manager);
    }
}

void RenderFrame()
{
    if (!g_test.device || !g_test.manager)
        return;
    // A frame that cannot begin is skipped; the next tick tries again.
    if (!BeginFrame())
        return;
    g_test.manager->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
    D3DLVERTEX vertices[SCENE_VERTEX_COUNT];
    BuildVertices(g_test.scene, vertices);
    g_test.device->DrawPrimitive(D3DPT_TRIANGLESTRIP, D3DFVF_LVERTEX, vertices,
                                 TRIANGLE_VERTEX_COUNT, D3DDP_WAIT);
    g_test.device->EndScene();
    g_test.manager->Update(0, nullptr);
}
