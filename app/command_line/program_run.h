#pragma once
// The program a /run names: found, started as the user typed it, waited for.
#include <windows.h>

#include <string>
#include <vector>

#include "app/command_line/owned_handle.h"
#include "app/command_line/program_job.h"

// The program's full path, found as a command line finds a program (".exe"
// added when the name has no extension); false, with the system's error,
// when there is none.
bool FindProgram(const std::string& program, std::string& fullPath, DWORD& error);

// What CreateProcessA is given to start a program: the file it runs (empty:
// the first word of the line names it) and the command line. A batch file
// (.bat, .cmd) is run by the command interpreter, COMSPEC or else
// command.com on Windows 95, 98 and ME and cmd.exe on NT: those systems
// cannot start one themselves, and NT's documentation asks for it too.
struct ProgramStart {
    std::string application;
    std::string commandLine;
};
// commandLine: the program and its arguments exactly as typed; comspec: the
// COMSPEC variable's value, empty when it is not set; windowsNT: the system
// is Windows NT, 2000 or XP, whose cmd.exe takes the line after /c in quotes
// of its own. May raise std::bad_alloc.
ProgramStart ProgramStartFor(const std::string& fullPath, const std::string& commandLine,
                             const std::string& comspec, bool windowsNT);

struct StartedProgram {
    OwnedHandle process;  // empty when it could not be started
    DWORD id = 0;
    // Holds the program and all it starts, where the system has job objects
    // and took it in; otherwise the process list is followed.
    ProgramJob job;
    // For following the process list: processes listed before the program
    // started, where the system cannot tell start times.
    std::vector<DWORD> strangers;
};

// Starts fullPath with commandLine (its name and arguments exactly as typed)
// in the program's own folder, shown as showCommand, and puts it into a job
// before it can start anything. An empty handle, with the system's error,
// when it could not be started. Never raises.
StartedProgram StartProgram(const std::string& fullPath, const std::string& commandLine,
                            int showCommand, DWORD& error);

// Waits until the program and every process it started, and they started,
// have ended: a launcher that starts the real game and ends at once is
// waited for until the game ends too. exitCode is the program's own; false
// when it cannot be had. Never raises.
bool WaitForProgramExit(const StartedProgram& program, DWORD& exitCode) noexcept;
