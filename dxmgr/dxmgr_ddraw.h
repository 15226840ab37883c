#pragma once
// Process-wide hold on ddraw.dll, taken by DXMgrCreate and never given back:
// the library stays loaded for the rest of the process.
#include "dxmgr/dxmgr.h"

// The DirectDrawEnumerateExA entry point taken by the last successful
// DXMgrCreate, or null before the first one.
LPDIRECTDRAWENUMERATEEXA DXMgrDirectDrawEnumerateEx();
