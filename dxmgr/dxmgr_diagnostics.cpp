#include "dxmgr/dxmgr_diagnostics.h"

#include <cstdio>

HRESULT DXMgrFail(const char* pszOperation, const char* pszReason, HRESULT hr) noexcept
{
    // Formed in a buffer of its own: a COM method returns its HRESULT and must
    // not throw, so the line allocates nothing. One call per line, so that a
    // debugger never shows half a line; a line cut short keeps its line feed.
    char line[256];
    const int length = std::snprintf(line, sizeof line, "DXMgr: %s: %s\n", pszOperation, pszReason);
    if (length < 0)
        return hr;
    if (static_cast<size_t>(length) >= sizeof line)
        line[sizeof line - 2] = '\n';
    OutputDebugStringA(line);
    return hr;
}
