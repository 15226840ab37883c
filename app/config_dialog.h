#pragma once
// The configuration dialog: template IDD_CONFIG and its procedure.
#include <windows.h>

INT_PTR CALLBACK ConfigDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Stores the check boxes into the options and writes them. On a registry
// failure the user is told why and false is returned; the check boxes are
// left as the user set them, so the save can be retried.
bool SaveDialogOptions(HWND dialog);
