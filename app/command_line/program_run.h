#pragma once
// The program a /run names: found, started as the user typed it, waited for.
#include <windows.h>

#include <string>

#include "app/command_line/owned_handle.h"

// The program's full path, found as a command line finds a program (".exe"
// added when the name has no extension); false, with the system's error,
// when there is none.
bool FindProgram(const std::string& program, std::string& fullPath, DWORD& error);

struct StartedProgram {
    OwnedHandle process;  // empty when it could not be started
    DWORD id = 0;
};

// Starts fullPath with commandLine (its name and arguments exactly as typed)
// in the program's own folder, shown as showCommand. An empty handle, with
// the system's error, when it could not be started. Never raises.
StartedProgram StartProgram(const std::string& fullPath, const std::string& commandLine,
                            int showCommand, DWORD& error);

// Waits until the program and every process it started, and they started,
// have ended: a launcher that starts the real game and ends at once is
// waited for until the game ends too. exitCode is the program's own; false
// when it cannot be had. Never raises.
bool WaitForProgramExit(const StartedProgram& program, DWORD& exitCode) noexcept;
