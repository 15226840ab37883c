#include "dxmgr/dxmgr_diagnostics.h"

#include <string>

HRESULT DXMgrFail(const char* pszOperation, const char* pszReason, HRESULT hr)
{
    // One call per line, so that a debugger never shows half a line.
    std::string line = "DXMgr: ";
    line += pszOperation;
    line += ": ";
    line += pszReason;
    line += "\n";
    OutputDebugStringA(line.c_str());
    return hr;
}
