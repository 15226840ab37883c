#include <windows.h>

#include "app/app_state.h"
#include "app/command_line/command_mode.h"
#include "app/command_line/command_line.h"
#include "app/dialog/config_dialog.h"
#include "app/command_line/record_recovery.h"
#include "app/resource.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR commandLine, int showCommand)
{
    SetProgramStartValues(instance, showCommand);
    if (IsCommandLineMode(commandLine))
        return RunCommandLine(commandLine, showCommand);
    // The dialog must show what the driver will really use, so a dead
    // Corvane's leftover values go back first; if they cannot, the dialog
    // would save over a record that a later start still puts back.
    if (!PutBackLeftValuesAtStart(false))
        return 0;
    DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_CONFIG), nullptr, ConfigDialogProc, 0);
    return 0;
}
