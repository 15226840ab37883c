#pragma once
// Values WinMain receives and the rest of the program reads: written once,
// before the dialog exists, and only read afterwards.
#include <windows.h>

void SetProgramStartValues(HINSTANCE instance, int showCommand);
HINSTANCE ProgramInstance();
int ProgramShowCommand();
