#pragma once
// Turns failures escaping the registry library into a message box: nothing
// may be thrown through the dialog manager's callbacks (on i686 an exception
// cannot unwind through user32 at all).
#include <windows.h>

#include <exception>
#include <new>

#include "registry/registry_key.h"

// The "Error" box owned by owner: the situation, then the failing operation
// and the system's text. Formed in a fixed buffer: it allocates nothing and
// cannot throw, so it also works when memory has run out.
void ShowFailure(HWND owner, const char* situation, const char* operation, const char* systemText) noexcept;

// Runs action(); when it throws, shows the "Error" box for what it threw and
// returns false. Nothing leaves it.
template <class Action>
bool RunReportingFailure(HWND owner, const char* situation, Action&& action) noexcept
{
    try {
        action();
        return true;
    } catch (const Quarnell::CWin32Exception& failure) {
        ShowFailure(owner, situation, failure.GetWhere(), failure.GetErrorMessage());
    } catch (const std::bad_alloc&) {
        ShowFailure(owner, situation, "memory", "Not enough memory.");
    } catch (...) {
        ShowFailure(owner, situation, "(unknown operation)", "An unexpected failure.");
    }
    return false;
}

// The same, showing nothing when quiet: the caller's result alone tells.
template <class Action>
bool RunReportingFailure(HWND owner, const char* situation, Action&& action, bool quiet) noexcept
{
    if (!quiet)
        return RunReportingFailure(owner, situation, action);
    try {
        action();
        return true;
    } catch (...) {
        return false;
    }
}

// The "Error" box for a failure caught earlier (while a lock was held, say),
// unless quiet or there is none.
inline void ReportFailure(HWND owner, const char* situation, std::exception_ptr failure, bool quiet) noexcept
{
    if (failure)
        RunReportingFailure(owner, situation, [&] { std::rethrow_exception(failure); }, quiet);
}
