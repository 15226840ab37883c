/* The start-up benchmark's floor: the configuration dialog's template shown
   by a C program built with plain flags (-O2 -static -mwindows) and nothing
   in its resources but that template, so that what any C++ run-time, static
   initialiser, import or resource of ours costs shows against it. */
#include <windows.h>

#include "app/resource.h"

static INT_PTR CALLBACK MinimalDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    (void)dialog;
    (void)wParam;
    (void)lParam;
    return message == WM_INITDIALOG;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand)
{
    (void)previous;
    (void)commandLine;
    (void)showCommand;
    DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_CONFIG), NULL, MinimalDialogProc, 0);
    return 0;
}
