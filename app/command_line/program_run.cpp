#include "app/command_line/program_run.h"

#include "app/command_line/process_family.h"

#include <new>
#include <vector>

namespace {

// How often the process list is read for new descendants; an end of one of
// the family is seen at once.
const DWORD kFamilyPollMs = 250;

DWORD LastErrorOr(DWORD fallback)
{
    DWORD error = GetLastError();
    return error != ERROR_SUCCESS ? error : fallback;
}

}  // namespace

bool FindProgram(const std::string& program, std::string& fullPath, DWORD& error)
{
    std::vector<char> path(MAX_PATH);
    for (;;) {
        char* fileName = nullptr;
        DWORD length = SearchPathA(nullptr, program.c_str(), ".exe", static_cast<DWORD>(path.size()),
                                   path.data(), &fileName);
        if (length == 0) {
            error = LastErrorOr(ERROR_FILE_NOT_FOUND);
            return false;
        }
        if (length < path.size()) {
            fullPath.assign(path.data(), length);
            return true;
        }
        path.resize(length + 1);
    }
}

StartedProgram StartProgram(const std::string& fullPath, const std::string& commandLine,
                            int showCommand, DWORD& error)
{
    std::string folder;
    std::vector<char> line;
    try {
        folder = fullPath.substr(0, fullPath.find_last_of("\\/") + 1);
        // CreateProcessA may write into the line it is given.
        line.assign(commandLine.begin(), commandLine.end());
        line.push_back('\0');
    } catch (const std::bad_alloc&) {
        error = ERROR_NOT_ENOUGH_MEMORY;
        return StartedProgram();
    }
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    // The shortcut's "Run: Minimized" or "Maximized" reaches the program;
    // SW_SHOWDEFAULT, which is no show state of its own, may not be passed on.
    if (showCommand != SW_SHOWDEFAULT) {
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = static_cast<WORD>(showCommand);
    }
    PROCESS_INFORMATION started{};
    if (!CreateProcessA(fullPath.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &startup, &started)) {
        error = LastErrorOr(ERROR_INVALID_FUNCTION);
        return StartedProgram();
    }
    CloseHandle(started.hThread);
    StartedProgram program;
    program.process = OwnedHandle(started.hProcess);
    program.id = started.dwProcessId;
    return program;
}

bool WaitForProgramExit(const StartedProgram& program, DWORD& exitCode) noexcept
{
    HANDLE process = program.process.Get();
    try {
        ProcessFamily(process, program.id).WaitUntilAllEnded(kFamilyPollMs);
    } catch (...) {
        // No memory to follow its descendants: the program alone, as before.
    }
    return WaitForSingleObject(process, INFINITE) == WAIT_OBJECT_0 &&
           GetExitCodeProcess(process, &exitCode);
}
