#pragma once
// Turns failures escaping the registry library into a message box: nothing
// may be thrown through the dialog manager's callbacks.
#include <windows.h>
#include <functional>

// Runs action(); when it throws, shows an "Error" box owned by owner that
// names the situation, the failing operation and the system's text, and
// returns false.
bool RunReportingFailure(HWND owner, const char* situation, const std::function<void()>& action);
