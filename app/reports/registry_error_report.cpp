#include "app/reports/registry_error_report.h"

#include <cstdio>

void ShowFailure(HWND owner, const char* situation, const char* operation, const char* systemText) noexcept
{
    // Long enough for the longest situation, a where-string and a system text
    // cut at the library's 511 characters; a longer one is cut short.
    char text[1024];
    std::snprintf(text, sizeof text, "%s\n\n%s:\n%s", situation ? situation : "",
                  operation ? operation : "(unknown operation)", systemText ? systemText : "");
    MessageBoxA(owner, text, "Error", MB_OK | MB_ICONHAND);
}
