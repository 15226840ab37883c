#include "registry/registry_key.h"

#include <cstdio>
#include <cstring>

namespace Quarnell {

namespace {
// One text buffer for the whole process: an exception stays a two-field value
// that allocates nothing, at the price of texts overwriting each other.
char g_messageText[512];

// Every lookup keeps inserts such as %1 as they stand: there are no
// arguments for them, and without FORMAT_MESSAGE_IGNORE_INSERTS the system
// reads arguments that were never passed (Wine refuses such a text; Windows
// may read whatever lies there).
const DWORD kSystemText = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;

// The system's text for code in the buffer; false when there is none.
bool LookUpSystemText(DWORD code)
{
    return FormatMessageA(kSystemText, nullptr, code, 0, g_messageText, sizeof g_messageText - 1, nullptr) != 0;
}

// Whether the buffer's text still holds an insert (%1 to %99).
bool HoldsInsert()
{
    for (const char* at = std::strchr(g_messageText, '%'); at; at = std::strchr(at + 1, '%')) {
        if (at[1] >= '1' && at[1] <= '9')
            return true;
    }
    return false;
}

// A text longer than the buffer comes whole in a block of the system's and is
// cut to fit: the caller reads the start of its own code's text.
bool LookUpLongSystemText(DWORD code)
{
    LPSTR pWhole = nullptr;
    DWORD length = FormatMessageA(kSystemText | FORMAT_MESSAGE_ALLOCATE_BUFFER, nullptr, code, 0,
                                  reinterpret_cast<LPSTR>(&pWhole), 0, nullptr);
    if (length == 0)
        return false;
    if (length > sizeof g_messageText - 1)
        length = sizeof g_messageText - 1;
    std::memcpy(g_messageText, pWhole, length);
    g_messageText[length] = '\0';
    LocalFree(pWhole);
    return true;
}

LPCSTR UnknownError(DWORD code)
{
    std::snprintf(g_messageText, sizeof g_messageText, "Unknown error 0x%08lX",
                  static_cast<unsigned long>(code));
    return g_messageText;
}
}  // namespace

LPCSTR FormatErrorMessage(DWORD code)
{
    if (LookUpSystemText(code))
        return g_messageText;
    DWORD lookupError = GetLastError();
    if (lookupError == ERROR_INSUFFICIENT_BUFFER)
        return LookUpLongSystemText(code) ? g_messageText : UnknownError(code);
    // The reason the lookup failed is worth one more lookup; a chain of
    // failing lookups could otherwise go on without end. Its text is used
    // only when it reads complete: the usual reason, 317, is a text of
    // inserts, and "Unknown error 0x..." says more.
    if (lookupError != ERROR_SUCCESS && lookupError != code && LookUpSystemText(lookupError) &&
        !HoldsInsert())
        return g_messageText;
    return UnknownError(code);
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
