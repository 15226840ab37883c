// The baseline of the start-up benchmark: the configuration dialog's own
// template shown by a program that does nothing else (no registry, no
// DirectX, no options), so that the difference is what Corvane adds.
#include <windows.h>

#include "app/resource.h"

namespace {
INT_PTR CALLBACK BareDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_INITDIALOG)
        return TRUE;
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        EndDialog(dialog, 1);
        return TRUE;
    }
    return FALSE;
}
}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_CONFIG), nullptr, BareDialogProc, 0);
    return 0;
}
