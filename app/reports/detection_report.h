#pragma once
// What the user is told when the driver is not there: the same "Error" box
// from the dialog's start and from the command line.
#include <windows.h>

// readResult is READ_OPTIONS_NO_ADAPTER or READ_OPTIONS_VALUE_MISSING.
void ShowDriverNotDetected(HWND owner, int readResult);
