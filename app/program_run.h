#pragma once
// The program a /run names: found, started as the user typed it, waited for.
#include <windows.h>

#include <string>

#include "app/owned_handle.h"

// The program's full path, found as a command line finds a program (".exe"
// added when the name has no extension); false, with the system's error,
// when there is none.
bool FindProgram(const std::string& program, std::string& fullPath, DWORD& error);

// Starts fullPath with commandLine (its name and arguments exactly as typed)
// in the program's own folder, shown as showCommand. An empty handle, with
// the system's error, when it could not be started. Never raises.
OwnedHandle StartProgram(const std::string& fullPath, const std::string& commandLine,
                         int showCommand, DWORD& error);

// Waits for the program's end; false when its exit code cannot be had.
bool WaitForProgramExit(HANDLE process, DWORD& exitCode);
