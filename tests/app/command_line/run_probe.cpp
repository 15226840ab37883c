// The program the /run tests start through corvane.exe. It writes what it
// finds at its start to a report file: the driver's values, its command line
// and its working folder; then, when given an event's name, waits (bounded)
// until the test sets it; then ends with the exit code it was given. As a
// game's launcher, it starts the next of a chain of COUNT launchers, the
// last of which starts the game (a copy of itself with the arguments after
// STAY_MS); it stays STAY_MS before it ends with that exit code, and then
// leaves the file REPORT_FILE.launcher-ended, so that a test knows it is gone.
//   run_probe.exe REPORT_FILE EXIT_CODE [HOLD_EVENT]
//   run_probe.exe /launch COUNT STAY_MS REPORT_FILE EXIT_CODE [HOLD_EVENT]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/app/app_ddhal_key.h"
#include "tests/app/command_line/run_probe_report.h"
#include "tests/support/wait_scale.h"

namespace {
const DWORD kHoldLimitMs = 60000;

bool WriteFileAside(const std::string& path, const std::string& text)
{
    // Written aside and renamed, so that a test polling for the file never
    // reads half of it.
    std::string partial = path + ".partial";
    FILE* file = std::fopen(partial.c_str(), "wb");
    if (!file)
        return false;
    std::fwrite(text.data(), 1, text.size(), file);
    std::fclose(file);
    return MoveFileA(partial.c_str(), path.c_str()) != FALSE;
}

int Launch()
{
    const int count = std::atoi(__argv[2]);
    char self[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, self, sizeof self);
    std::string line = std::string("\"") + self + "\"";
    if (count > 1)
        line += " /launch " + std::to_string(count - 1) + " 0";
    for (int i = 4; i < __argc; ++i)
        line += std::string(" \"") + __argv[i] + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!CreateProcessA(self, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started))
        return 103;
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    const DWORD stayMs = static_cast<DWORD>(std::atoi(__argv[3]));
    if (stayMs > 0) {
        Sleep(stayMs);
        WriteFileAside(std::string(__argv[4]) + ".launcher-ended", "");
    }
    return std::atoi(__argv[5]);
}
}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    if (__argc < 3)
        return 100;
    if (std::string(__argv[1]) == "/launch")
        return __argc < 6 ? 100 : Launch();
    char folder[MAX_PATH] = "";
    GetCurrentDirectoryA(sizeof folder, folder);
    if (!WriteFileAside(__argv[1], ProbeReport(ReadDdhalValues(), GetCommandLineA(), folder)))
        return 101;

    if (__argc > 3) {
        HANDLE hold = OpenEventA(SYNCHRONIZE, FALSE, __argv[3]);
        if (hold) {
            WaitForSingleObject(hold, ScaledWait(kHoldLimitMs));
            CloseHandle(hold);
        }
    }
    return std::atoi(__argv[2]);
}
