#include "registry/registry_key.h"

#include <cstdio>

namespace Quarnell {

namespace {
// One text buffer for the whole process: an exception stays a two-field value
// that allocates nothing, at the price of texts overwriting each other.
char g_messageText[512];

DWORD LookUpSystemText(DWORD code)
{
    return FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, code, 0, g_messageText,
                          sizeof g_messageText - 1, nullptr);
}
}  // namespace

LPCSTR FormatErrorMessage(DWORD code)
{
    if (LookUpSystemText(code) != 0)
        return g_messageText;
    // The reason the lookup failed is worth one more lookup; a chain of
    // failing lookups could otherwise go on without end.
    DWORD lookupError = GetLastError();
    if (lookupError != ERROR_SUCCESS && lookupError != code && LookUpSystemText(lookupError) != 0)
        return g_messageText;
    std::snprintf(g_messageText, sizeof g_messageText, "Unknown error 0x%08lX",
                  static_cast<unsigned long>(code));
    return g_messageText;
}

LPCSTR CWin32Exception::GetErrorMessage() const
{
    return FormatErrorMessage(m_error);
}

void CWin32Exception::ShowMessageBox(HWND hWnd) const
{
    MessageBoxA(hWnd, GetErrorMessage(), m_pWhere, MB_ICONHAND);
}

}  // namespace Quarnell
