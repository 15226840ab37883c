#include <windows.h>

#include "app/app_state.h"
#include "app/config_dialog.h"
#include "app/resource.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*commandLine*/, int showCommand)
{
    SetProgramStartValues(instance, showCommand);
    DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_CONFIG), nullptr, ConfigDialogProc, 0);
    return 0;
}
