// Defines the identifiers that dxmgr.h declares. The DirectX headers come
// first, so that only DXMgr's own identifiers are defined here; DirectX's
// come from the dxguid library.
#include <ddraw.h>
#include <d3d.h>
#include <initguid.h>
#include "dxmgr/dxmgr.h"
