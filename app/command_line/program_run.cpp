#include "app/command_line/program_run.h"

#include "app/command_line/process_family.h"

#include <cstring>
#include <new>
#include <utility>
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

namespace {

bool EndsWithIgnoringCase(const std::string& text, const char* ending)
{
    size_t length = std::strlen(ending);
    if (text.size() < length)
        return false;
    for (size_t i = 0; i < length; ++i) {
        char c = text[text.size() - length + i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != ending[i])
            return false;
    }
    return true;
}

bool IsWindowsNT()
{
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    return GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

std::string ComspecValue()
{
    std::vector<char> value(MAX_PATH);
    for (;;) {
        DWORD length = GetEnvironmentVariableA("COMSPEC", value.data(), static_cast<DWORD>(value.size()));
        if (length == 0)
            return std::string();
        if (length < value.size())
            return std::string(value.data(), length);
        value.resize(length);
    }
}

}  // namespace

ProgramStart ProgramStartFor(const std::string& fullPath, const std::string& commandLine,
                             const std::string& comspec, bool windowsNT)
{
    if (!EndsWithIgnoringCase(fullPath, ".bat") && !EndsWithIgnoringCase(fullPath, ".cmd"))
        return ProgramStart{fullPath, commandLine};
    const std::string interpreter = !comspec.empty() ? comspec : windowsNT ? "cmd.exe" : "command.com";
    // cmd.exe takes off the first and the last quote of what follows /c
    // when it holds more than one pair, so the line goes in a pair of its
    // own; command.com takes the line as it stands.
    const std::string line = windowsNT ? "\"" + commandLine + "\"" : commandLine;
    return ProgramStart{comspec, "\"" + interpreter + "\" /c " + line};
}

StartedProgram StartProgram(const std::string& fullPath, const std::string& commandLine,
                            int showCommand, DWORD& error)
{
    StartedProgram program;
    std::string folder;
    std::vector<char> line;
    ProgramStart start;
    try {
        folder = fullPath.substr(0, fullPath.find_last_of("\\/") + 1);
        start = ProgramStartFor(fullPath, commandLine, ComspecValue(), IsWindowsNT());
        // CreateProcessA may write into the line it is given.
        line.assign(start.commandLine.begin(), start.commandLine.end());
        line.push_back('\0');
    } catch (const std::bad_alloc&) {
        error = ERROR_NOT_ENOUGH_MEMORY;
        return StartedProgram();
    }
    program.job = ProgramJob::Create();
    if (!program.job)
        program.strangers = ProcessesListedBeforeStart();
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    // The shortcut's "Run: Minimized" or "Maximized" reaches the program;
    // SW_SHOWDEFAULT, which is no show state of its own, may not be passed on.
    if (showCommand != SW_SHOWDEFAULT) {
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = static_cast<WORD>(showCommand);
    }
    // Suspended until it is in the job, so that nothing it starts escapes it.
    const DWORD creation = program.job ? CREATE_SUSPENDED : 0;
    PROCESS_INFORMATION started{};
    if (!CreateProcessA(start.application.empty() ? nullptr : start.application.c_str(), line.data(), nullptr,
                        nullptr, FALSE, creation, nullptr, folder.empty() ? nullptr : folder.c_str(), &startup,
                        &started)) {
        error = LastErrorOr(ERROR_INVALID_FUNCTION);
        return StartedProgram();
    }
    OwnedHandle process(started.hProcess);
    OwnedHandle thread(started.hThread);
    if (creation & CREATE_SUSPENDED) {
        // Refused (the program is in a job already): its family is followed
        // through the process list instead.
        program.job.Adopt(process.Get());
        if (ResumeThread(thread.Get()) == static_cast<DWORD>(-1)) {
            error = LastErrorOr(ERROR_INVALID_FUNCTION);
            TerminateProcess(process.Get(), error);
            return StartedProgram();
        }
    }
    program.process = std::move(process);
    program.id = started.dwProcessId;
    return program;
}

bool WaitForProgramExit(const StartedProgram& program, DWORD& exitCode) noexcept
{
    HANDLE process = program.process.Get();
    if (program.job) {
        program.job.WaitUntilEmpty();
    } else {
        try {
            ProcessFamily(process, program.id, program.strangers).WaitUntilAllEnded(kFamilyPollMs);
        } catch (...) {
            // No memory to follow its descendants: the program alone, as before.
        }
    }
    return WaitForSingleObject(process, INFINITE) == WAIT_OBJECT_0 &&
           GetExitCodeProcess(process, &exitCode);
}
