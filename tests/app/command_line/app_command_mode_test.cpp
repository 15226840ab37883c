// The command line carried out inside this test program, quietly: here a
// registry write can be made to fail through the program's own import of
// RegSetValueExA, and a restore record can be left as a dead Corvane would.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include <tlhelp32.h>

#include "app/command_line/command_mode.h"
#include "app/command_line/process_family.h"
#include "app/command_line/program_run.h"
#include "app/command_line/record_recovery.h"
#include "tests/app/app_ddhal_key.h"
#include "tests/app/app_set_value_recorder.h"
#include "tests/app/command_line/run_probe_control.h"
#include "tests/support/dialog_driver.h"
#include "tests/support/import_patch.h"
#include "tests/support/wait_scale.h"

namespace {

std::string Quoted(const std::string& text)
{
    return "\"" + text + "\"";
}

// RunCommandLine on a thread of its own, for a /run whose program the test
// steers meanwhile.
class BackgroundCommandLine {
public:
    explicit BackgroundCommandLine(const std::string& line) : m_line(line)
    {
        m_thread = CreateThread(nullptr, 0, &BackgroundCommandLine::Run, this, 0, nullptr);
    }
    ~BackgroundCommandLine()
    {
        if (m_thread) {
            WaitForSingleObject(m_thread, INFINITE);
            CloseHandle(m_thread);
        }
    }
    BackgroundCommandLine(const BackgroundCommandLine&) = delete;
    BackgroundCommandLine& operator=(const BackgroundCommandLine&) = delete;

    bool Started() const { return m_thread != nullptr; }
    bool Ended() const { return WaitForSingleObject(m_thread, 0) == WAIT_OBJECT_0; }
    // The exit code, once it has ended within the wait; -1 if not.
    int WaitForEnd(DWORD timeoutMs) const
    {
        return WaitUntil([&] { return Ended(); }, timeoutMs) ? m_exitCode : -1;
    }

private:
    static DWORD WINAPI Run(void* self)
    {
        auto* run = static_cast<BackgroundCommandLine*>(self);
        run->m_exitCode = RunCommandLine(run->m_line.c_str(), SW_SHOW);
        return 0;
    }

    std::string m_line;
    HANDLE m_thread = nullptr;
    int m_exitCode = -1;
};

// Makes the system refuse to put a process into a job, as Windows XP does
// for a process that is in a job already: the program looks the function up
// through its import of GetProcAddress.
class JobRefusal {
public:
    JobRefusal() : m_patch("kernel32.dll", "GetProcAddress", reinterpret_cast<void*>(&Lookup))
    {
        s_original = reinterpret_cast<GetProcAddressFunction>(m_patch.Original());
        s_asked = false;
    }
    bool Installed() const { return m_patch.Installed(); }
    static bool Asked() { return s_asked; }

private:
    using GetProcAddressFunction = FARPROC(WINAPI*)(HMODULE, LPCSTR);
    static BOOL WINAPI Refuse(HANDLE, HANDLE)
    {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    static FARPROC WINAPI Lookup(HMODULE module, LPCSTR name)
    {
        if (HIWORD(reinterpret_cast<ULONG_PTR>(name)) != 0 && std::strcmp(name, "AssignProcessToJobObject") == 0) {
            s_asked = true;
            return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&Refuse));
        }
        return s_original(module, name);
    }

    static inline GetProcAddressFunction s_original = nullptr;
    static inline bool s_asked = false;
    ImportPatch m_patch;
};

// The id of a process the system lists with this parent, or 0.
DWORD ChildOf(DWORD parentId)
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return 0;
    DWORD child = 0;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more && !child; more = Process32Next(snapshot, &entry)) {
        if (entry.th32ParentProcessID == parentId)
            child = entry.th32ProcessID;
    }
    CloseHandle(snapshot);
    return child;
}

}  // namespace

TEST(CommandMode, ThirdWriteFailing_LeavesTheKeyAsItWasAndExitsThree)
{
    LeftRecord noRecord;
    DdhalKey key;
    key.SetOptions("1", "0", "1", "0", nullptr);
    const BYTE odd[] = {0x01, 0x00, 0xff};
    key.SetRaw("DitherInit", REG_BINARY, odd, sizeof odd);
    StoredValues before = key.ReadAll();
    SetValueRecorder recorder;
    ASSERT_TRUE(recorder.Installed());

    recorder.FailCall(3, ERROR_ACCESS_DENIED);
    EXPECT_EQ(COMMAND_EXIT_REGISTRY_FAILURE,
              RunCommandLine("/quiet /set AntiAlias=0 Break=1 DitherInit=0 Palette=0", SW_SHOW));
    EXPECT_EQ(before, key.ReadAll()) << "after /set:\n" << Describe(key.ReadAll()) << recorder.Describe();

    // /run records the three values first (three writes of their own), then
    // fails on the DDHAL key's second write: nothing starts, nothing stays.
    recorder.FailCall(5, ERROR_ACCESS_DENIED);
    std::string probe = FileBesideThisProgram("run_probe.exe");
    EXPECT_EQ(COMMAND_EXIT_REGISTRY_FAILURE,
              RunCommandLine(("/quiet /set AntiAlias=0 Break=1 Palette=0 /run \"" + probe + "\" x 0")
                                 .c_str(),
                             SW_SHOW));
    EXPECT_EQ(before, key.ReadAll()) << "after /run:\n" << Describe(key.ReadAll()) << recorder.Describe();
    EXPECT_FALSE(MachineKeyExists(kCorvaneKey)) << "the restore record was left";
}

TEST(CommandMode, LeftRecord_PutsBackTypesAndBytesExactlyAndWritesOnlyOptions)
{
    LeftRecord record;
    DdhalKey key;
    key.SetOptions("0", "0", "0", "0", "1");
    const BYTE binary[] = {0x01, 0x00, 0xff};
    record.Copy("AntiAlias", REG_BINARY, binary, sizeof binary);
    const char unterminated[] = "abcX";
    record.Copy("palette", REG_SZ, unterminated, 3);
    record.Copy("DitherInit", REG_MULTI_SZ, "1\0" "2\0", 5);
    record.Absent("Break");
    record.Copy("Other", REG_SZ, "x", 2);
    record.Absent("Stranger");

    EXPECT_EQ(COMMAND_EXIT_DONE, RunCommandLine("/quiet /set EnableKatmai=1", SW_SHOW));
    StoredValues expected{
        {"AntiAlias", StoredValue{REG_BINARY, std::string("\x01\x00\xff", 3)}},
        {"DitherInit", StoredValue{REG_MULTI_SZ, std::string("1\0" "2\0", 5)}},
        {"EnableKatmai", Sz("1")},
        {"Palette", StoredValue{REG_SZ, "abc"}},
    };
    EXPECT_EQ(expected, key.ReadAll()) << Describe(key.ReadAll());
    EXPECT_FALSE(MachineKeyExists(kCorvaneKey)) << "the record was not removed";
}

TEST(CommandMode, DamagedRecord_IsReportedAndLeftWithNothingChanged)
{
    LeftRecord record;
    DdhalKey key;
    key.SetOptions("1", "1", "1", "1", "1");
    StoredValues before = key.ReadAll();
    record.Copy("Palette", REG_SZ, "0", 2);
    record.Absent("Palette");

    EXPECT_EQ(COMMAND_EXIT_REGISTRY_FAILURE, RunCommandLine("/quiet /set Break=0", SW_SHOW));
    EXPECT_FALSE(PutBackLeftValuesAtStart(true)) << "the dialog's start went on";
    EXPECT_EQ(before, key.ReadAll()) << Describe(key.ReadAll());
    EXPECT_TRUE(MachineKeyExists(kRecordKey)) << "the damaged record was removed";
}

TEST(CommandMode, Run_RecordFlushedOnce_PutBackFlushedBeforeTheRecordGoes)
{
    LeftRecord noRecord;
    DdhalKey key;
    key.SetOptions("1", "1", "1", "1", nullptr);
    StoredValues before = key.ReadAll();
    char folder[MAX_PATH];
    char report[MAX_PATH];
    GetTempPathA(sizeof folder, folder);
    GetTempFileNameA(folder, "prb", 0, report);
    DeleteFileA(report);
    SetValueRecorder recorder;
    ASSERT_TRUE(recorder.Installed());

    std::string probe = FileBesideThisProgram("run_probe.exe");
    EXPECT_EQ(COMMAND_EXIT_DONE,
              RunCommandLine(("/quiet /set Palette=0 Break=1 /run \"" + probe + "\" \"" + report + "\" 0").c_str(),
                             SW_SHOW));
    DeleteFileA(report);
    EXPECT_EQ(before, key.ReadAll()) << Describe(key.ReadAll());

    // In table order: the record (first what is to be written, then
    // Palette's copy and Break named as absent), one flush, the two writes;
    // after the program the put-back, the DDHAL key's flush, and only then
    // the record's removal. No data pointer is null, not even for no data.
    std::vector<std::string> writes = recorder.Writes();
    std::string all;
    for (const std::string& write : writes)
        all += write + "\n";
    std::vector<std::string> expectedStart{"set Break",   "set Palette", "set Palette",        "set Break",
                                           "flush",       "set Break",   "set Palette",        "delete value Break",
                                           "set Palette", "flush"};
    for (const SetValueCall& call : recorder.Calls())
        EXPECT_FALSE(call.nullData) << "a null data pointer for " << call.name << "\n" << all;
    ASSERT_GT(writes.size(), expectedStart.size()) << all;
    EXPECT_EQ(expectedStart, std::vector<std::string>(writes.begin(), writes.begin() + expectedStart.size()))
        << all;
    for (size_t i = expectedStart.size(); i < writes.size(); ++i)
        EXPECT_EQ(0u, writes[i].rfind("delete key ", 0)) << all;
}

TEST(CommandMode, LeftRecords_TheMachinesFirstThenAnEarlierBuildsAndAValueChangedSinceIsKept)
{
    DdhalKey key;
    key.SetOptions("0", "1", "0", "0", "1");
    LeftRecord machine;
    // What the /run wrote is still there: put back (Break did not exist).
    machine.Copy("Palette", REG_SZ, "1", 2);
    machine.Written("Palette", "0");
    machine.Absent("Break");
    machine.Written("Break", "1");
    // Changed since the /run wrote "0": kept.
    machine.Copy("DitherInit", REG_SZ, "0", 2);
    machine.Written("DitherInit", "0");
    // Neither: kept, unless the user's record was put back first.
    machine.Copy("AntiAlias", REG_SZ, "7", 2);
    machine.Written("AntiAlias", "1");
    // An earlier build's record says nothing of what it wrote: put back.
    LeftRecord user(LeftRecord::EarlierUser);
    user.Copy("AntiAlias", REG_SZ, "1", 2);

    EXPECT_EQ(COMMAND_EXIT_DONE, RunCommandLine("/quiet /set EnableKatmai=1", SW_SHOW));
    StoredValues expected{{"AntiAlias", Sz("1")}, {"DitherInit", Sz("1")}, {"EnableKatmai", Sz("1")},
                          {"Palette", Sz("1")}};
    EXPECT_EQ(expected, key.ReadAll()) << Describe(key.ReadAll());
    EXPECT_FALSE(MachineKeyExists(kCorvaneKey)) << "the machine's record was not removed";
    EXPECT_FALSE(UserKeyExists(kUserCorvaneKey)) << "the earlier build's record was not removed";
}

TEST(CommandMode, Run_WhereTheJobIsRefused_WaitsForWhatTheProgramStartedAllTheSame)
{
    LeftRecord noRecord;
    DdhalKey key;
    key.SetOptions("1", "1", "1", "1", "1");
    StoredValues before = key.ReadAll();
    JobRefusal refusal;
    ASSERT_TRUE(refusal.Installed());
    ProbeReportFile report;
    HoldEvent hold;
    BackgroundCommandLine run("/quiet /set Palette=0 /run " + Quoted(FileBesideThisProgram("run_probe.exe")) +
                              " /launch 1 0 " + Quoted(report.Path()) + " 6 " + hold.Name());
    ASSERT_TRUE(run.Started());
    ASSERT_TRUE(WaitUntil([&] { return report.Written() || run.Ended(); }, 10000));
    ASSERT_TRUE(report.Written()) << "the launched copy did not start";
    EXPECT_TRUE(refusal.Asked()) << "no job was asked for";
    EXPECT_FALSE(WaitUntil([&] { return run.Ended(); }, 1000)) << "the /run ended with the launcher";
    EXPECT_EQ(Sz("0"), key.ReadAll()["Palette"]) << "put back while the launched copy runs";
    hold.Release();
    EXPECT_EQ(6, run.WaitForEnd(15000)) << "not the launcher's own exit code";
    EXPECT_EQ(before, key.ReadAll()) << Describe(key.ReadAll());
}

TEST(CommandMode, ProcessFamily_NeverAdoptsAProcessListedBeforeTheProgramStarted)
{
    // Windows 98 gives a new process the id of a dead one and no start
    // times: a process listed before the program started may name the
    // program's id as its parent's. Here the launcher's game stands for it.
    ProbeReportFile report;
    HoldEvent hold;
    std::string line = Quoted(FileBesideThisProgram("run_probe.exe")) + " /launch 1 0 " + Quoted(report.Path()) +
                       " 0 " + hold.Name();
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION launcher{};
    ASSERT_TRUE(CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &launcher));
    CloseHandle(launcher.hThread);
    ASSERT_TRUE(WaitUntil([&] { return report.Written(); }, 10000)) << "the game did not start";
    DWORD gameId = ChildOf(launcher.dwProcessId);
    HANDLE game = OpenProcess(SYNCHRONIZE, FALSE, gameId);
    ASSERT_TRUE(game) << "the game (" << gameId << ") is not to be found";

    ProcessFamily(launcher.hProcess, launcher.dwProcessId, {gameId}).WaitUntilAllEnded(50);
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(game, 0)) << "the game was waited for";
    hold.Release();
    EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), WaitForSingleObject(game, ScaledWait(15000)));
    CloseHandle(game);
    CloseHandle(launcher.hProcess);
}

TEST(CommandMode, ProgramStart_ABatchFileIsRunByTheCommandInterpreter)
{
    const std::string typed = "\"C:\\My Games\\go.bat\" -level \"two words\"";
    struct Case {
        const char* fullPath;
        const char* comspec;
        bool windowsNT;
        ProgramStart expected;
    };
    const Case cases[] = {
        // cmd.exe takes the line after /c out of a pair of quotes of its own.
        {"C:\\My Games\\go.bat", "C:\\WINNT\\system32\\cmd.exe", true,
         {"C:\\WINNT\\system32\\cmd.exe", "\"C:\\WINNT\\system32\\cmd.exe\" /c \"" + typed + "\""}},
        {"C:\\My Games\\go.CMD", "", true, {"", "\"cmd.exe\" /c \"" + typed + "\""}},
        // command.com takes it as it stands.
        {"C:\\My Games\\go.Bat", "C:\\WINDOWS\\COMMAND.COM", false,
         {"C:\\WINDOWS\\COMMAND.COM", "\"C:\\WINDOWS\\COMMAND.COM\" /c " + typed}},
        {"C:\\My Games\\go.bat", "", false, {"", "\"command.com\" /c " + typed}},
        // Any other program is started as it is.
        {"C:\\My Games\\go.exe", "C:\\WINDOWS\\COMMAND.COM", false, {"C:\\My Games\\go.exe", typed}},
        {"C:\\My Games\\bat", "", true, {"C:\\My Games\\bat", typed}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fullPath);
        ProgramStart start = ProgramStartFor(c.fullPath, typed, c.comspec, c.windowsNT);
        EXPECT_EQ(c.expected.application, start.application);
        EXPECT_EQ(c.expected.commandLine, start.commandLine);
    }
}
