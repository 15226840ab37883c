// The program the /run tests start through corvane.exe. It writes what it
// finds at its start to a report file: the driver's values, its command line
// and its working folder; then, when given an event's name, waits (bounded)
// until the test sets it; then ends with the exit code it was given. As a
// game's launcher, it starts a copy of itself with the arguments after
// /launch and ends at once with that exit code, waiting for nothing.
//   run_probe.exe REPORT_FILE EXIT_CODE [HOLD_EVENT]
//   run_probe.exe /launch REPORT_FILE EXIT_CODE [HOLD_EVENT]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/app/app_ddhal_key.h"
#include "tests/app/command_line/run_probe_report.h"
#include "tests/support/wait_scale.h"

namespace {
const DWORD kHoldLimitMs = 60000;

int Launch()
{
    char self[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, self, sizeof self);
    std::string line = std::string("\"") + self + "\"";
    for (int i = 2; i < __argc; ++i)
        line += std::string(" \"") + __argv[i] + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!CreateProcessA(self, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started))
        return 103;
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    return std::atoi(__argv[3]);
}
}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    if (__argc < 3)
        return 100;
    if (std::string(__argv[1]) == "/launch")
        return __argc < 4 ? 100 : Launch();
    char folder[MAX_PATH] = "";
    GetCurrentDirectoryA(sizeof folder, folder);
    std::string report = ProbeReport(ReadDdhalValues(), GetCommandLineA(), folder);

    // Written aside and renamed, so that a test polling for the file never
    // reads half of it.
    std::string path = __argv[1];
    std::string partial = path + ".partial";
    FILE* file = std::fopen(partial.c_str(), "wb");
    if (!file)
        return 101;
    std::fwrite(report.data(), 1, report.size(), file);
    std::fclose(file);
    if (!MoveFileA(partial.c_str(), path.c_str()))
        return 102;

    if (__argc > 3) {
        HANDLE hold = OpenEventA(SYNCHRONIZE, FALSE, __argv[3]);
        if (hold) {
            WaitForSingleObject(hold, ScaledWait(kHoldLimitMs));
            CloseHandle(hold);
        }
    }
    return std::atoi(__argv[2]);
}
