// Start-up of corvane.exe against two programs showing the same template: the
// time from CreateProcess to the dialog being visible, in rounds of one run
// whose order turns each round; prints the median of the rounds' ratios.
// minimal_dialog.exe is C with plain flags and only the template, the floor
// any program showing this dialog stands on; bare_dialog.exe is built as
// Corvane is (C++, the project's flags and resource script) with a procedure
// that does nothing, so the two ratios tell run-time and link costs apart from
// Corvane's own work. The demo driver key is added for the run when it is
// missing (and removed again), so that Corvane shows its dialog rather than
// its error box.
//   taskset -c 0 tests/support/wine_run.sh win64 build/mingw64/bin/startup_bench.exe
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {
const int kRounds = 41;
const char kDdhalKey[] = "SOFTWARE\\ATI TECHNOLOGIES\\DRIVER\\DDHAL";

double Now()
{
    LARGE_INTEGER counter, frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

std::string Beside(const char* name)
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length);
    return folder.substr(0, folder.find_last_of("\\/") + 1) + name;
}

struct Search {
    DWORD processId;
    bool visible;
};

BOOL CALLBACK FindVisibleDialog(HWND window, LPARAM context)
{
    auto* search = reinterpret_cast<Search*>(context);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    char className[16] = "";
    if (processId == search->processId && IsWindowVisible(window) &&
        GetClassNameA(window, className, sizeof className) && lstrcmpA(className, "#32770") == 0) {
        search->visible = true;
        return FALSE;
    }
    return TRUE;
}

// Seconds from CreateProcess to a visible dialog of the program; negative
// when it never showed one within ten seconds.
double TimeToDialog(const std::string& program)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    std::string commandLine = "\"" + program + "\"";
    const double start = Now();
    if (!CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return -1;
    double elapsed = -1;
    Search search = {process.dwProcessId, false};
    while (Now() - start < 10) {
        EnumWindows(FindVisibleDialog, reinterpret_cast<LPARAM>(&search));
        if (search.visible) {
            elapsed = Now() - start;
            break;
        }
        Sleep(1);
    }
    TerminateProcess(process.hProcess, 0);
    WaitForSingleObject(process.hProcess, 10000);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return elapsed;
}

// The demo driver key for the run, when the machine has none.
class DemoDriverKey {
public:
    DemoDriverKey()
    {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kDdhalKey, 0, KEY_READ, &key) == ERROR_SUCCESS) {
            RegCloseKey(key);
            return;
        }
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kDdhalKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                            nullptr) != ERROR_SUCCESS)
            return;
        for (const char* name : {"AntiAlias", "Break", "DitherInit", "EnableKatmai", "Palette"})
            RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>("1"), 2);
        RegCloseKey(key);
        m_created = true;
    }
    ~DemoDriverKey()
    {
        if (m_created)
            RegDeleteTreeA(HKEY_LOCAL_MACHINE, "SOFTWARE\\ATI TECHNOLOGIES");
    }

private:
    bool m_created = false;
};

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}
}  // namespace

int main()
{
    DemoDriverKey demoKey;
    struct Contender {
        const char* name;
        std::string path;
        std::vector<double> times;
    } contenders[] = {
        {"minimal_dialog.exe", Beside("minimal_dialog.exe"), {}},
        {"bare_dialog.exe", Beside("bare_dialog.exe"), {}},
        {"corvane.exe", Beside("corvane.exe"), {}},
    };
    const int kCount = sizeof contenders / sizeof contenders[0];
    Contender& minimal = contenders[0];
    Contender& bare = contenders[1];
    Contender& corvane = contenders[2];
    // The first starts load Wine's libraries and fonts for good.
    for (const Contender& contender : contenders)
        TimeToDialog(contender.path);

    std::vector<double> overMinimal, overBare;
    for (int round = 0; round < kRounds; ++round) {
        for (int step = 0; step < kCount; ++step) {
            Contender& contender = contenders[(round + step) % kCount];
            const double seconds = TimeToDialog(contender.path);
            if (seconds <= 0) {
                std::printf("round %d: %s did not show its dialog\n", round, contender.name);
                return 1;
            }
            contender.times.push_back(seconds);
        }
        overMinimal.push_back(corvane.times.back() / minimal.times.back());
        overBare.push_back(corvane.times.back() / bare.times.back());
    }
    std::printf("start to visible dialog, median of %d rounds:", kRounds);
    for (const Contender& contender : contenders)
        std::printf(" %s %.1f ms,", contender.name, 1000 * Median(contender.times));
    std::printf("\nmedian ratio corvane/minimal: %.3f (target at most 1.05)\n", Median(overMinimal));
    std::printf("median ratio corvane/bare:    %.3f (target at most 1.05)\n", Median(overBare));
    return 0;
}
