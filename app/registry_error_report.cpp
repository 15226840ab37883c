#include "app/registry_error_report.h"

#include <new>
#include <string>

#include "registry/registry_key.h"

namespace {

void ShowFailure(HWND owner, const char* situation, const char* operation, const char* systemText)
{
    std::string text = situation;
    text += "\n\n";
    text += operation ? operation : "(unknown operation)";
    text += ":\n";
    text += systemText ? systemText : "";
    MessageBoxA(owner, text.c_str(), "Error", MB_OK | MB_ICONHAND);
}

}  // namespace

bool RunReportingFailure(HWND owner, const char* situation, const std::function<void()>& action)
{
    try {
        action();
        return true;
    } catch (Quarnell::CWin32Exception& failure) {
        ShowFailure(owner, situation, failure.GetWhere(), failure.GetErrorMessage());
    } catch (std::bad_alloc&) {
        ShowFailure(owner, situation, "memory", "Not enough memory.");
    }
    return false;
}
