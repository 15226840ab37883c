// A test program that passes its one test and then does not end as a test
// program should. Without arguments a static object's destructor waits
// forever, as a program hung on its way out does. With --leave-behind
// SECONDS it ends at once but leaves a process of its own behind that holds
// its output that long, as a desktop or server it started would.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {
const char* ArgumentAfter(const char* name)
{
    const char* found = std::strstr(GetCommandLineA(), name);
    return found ? found + std::strlen(name) : nullptr;
}

struct ExitBehaviour {
    ExitBehaviour()
    {
        if (const char* seconds = ArgumentAfter("--linger ")) {
            Sleep(static_cast<DWORD>(std::atoi(seconds)) * 1000);
            ExitProcess(0);
        }
    }
    ~ExitBehaviour()
    {
        if (ArgumentAfter("--leave-behind"))
            return;
        for (;;)
            Sleep(1000);
    }
} g_exitBehaviour;

void LeaveBehindAProcessHoldingOurOutput(int seconds)
{
    char self[MAX_PATH];
    ASSERT_NE(0u, GetModuleFileNameA(nullptr, self, MAX_PATH));
    std::string line = "\"" + std::string(self) + "\" --linger " + std::to_string(seconds);
    STARTUPINFOA start = {};
    start.cb = sizeof start;
    start.dwFlags = STARTF_USESTDHANDLES;
    start.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    start.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    start.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION started = {};
    ASSERT_TRUE(CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &start, &started));
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
}
}  // namespace

TEST(ExitHang, Passes)
{
    if (const char* seconds = ArgumentAfter("--leave-behind "))
        LeaveBehindAProcessHoldingOurOutput(std::atoi(seconds));
}
