#pragma once
// The configuration dialog: template IDD_CONFIG and its procedure.
#include <windows.h>

INT_PTR CALLBACK ConfigDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
