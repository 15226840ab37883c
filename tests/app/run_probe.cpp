// The program the /run tests start through corvane.exe. It writes what it
// finds at its start to a report file: the driver's values, its command line
// and its working folder; then, when given an event's name, waits (bounded)
// until the test sets it; then ends with the exit code it was given.
//   run_probe.exe REPORT_FILE EXIT_CODE [HOLD_EVENT]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/app/app_ddhal_key.h"
#include "tests/app/run_probe_report.h"
#include "tests/support/wait_scale.h"

namespace {
const DWORD kHoldLimitMs = 60000;
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    if (__argc < 3)
        return 100;
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
