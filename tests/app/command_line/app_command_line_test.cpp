// corvane.exe started with switches, end to end: the DDHAL key read whole
// before and after, the exit code, the boxes it shows, and for /run the
// values a program of ours saw while it ran.
#include <gtest/gtest.h>

#include <sddl.h>

#include <cstdio>

#include "app/resource.h"
#include "tests/app/app_ddhal_key.h"
#include "tests/app/corvane_dialog_fixture.h"
#include "tests/app/command_line/run_probe_control.h"
#include "tests/app/command_line/run_probe_report.h"

namespace {

std::string Quoted(const std::string& text)
{
    return "\"" + text + "\"";
}

// A named mutex as another user's Corvane leaves it for this one: held by
// the test, and granting everyone only waiting on it and releasing it.
class ForeignMutex {
public:
    explicit ForeignMutex(const char* name)
    {
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        if (!ConvertStringSecurityDescriptorToSecurityDescriptorA("D:(D;;0x000F0000;;;WD)(A;;0x00100001;;;WD)",
                                                                  SDDL_REVISION_1, &descriptor, nullptr))
            return;
        SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
        m_mutex = CreateMutexA(&attributes, TRUE, name);
        m_held = m_mutex && GetLastError() != ERROR_ALREADY_EXISTS;
        LocalFree(descriptor);
    }
    ~ForeignMutex()
    {
        Release();
        if (m_mutex)
            CloseHandle(m_mutex);
    }
    bool Held() const { return m_held; }
    void Release()
    {
        if (m_held)
            ReleaseMutex(m_mutex);
        m_held = false;
    }

private:
    HANDLE m_mutex = nullptr;
    bool m_held = false;
};

class CorvaneCommandLine : public CorvaneProgramTest {
protected:
    // No test may leave a restore record to the next one, nor find one.
    void SetUp() override { RemoveCorvaneKeys(); }
    void TearDown() override
    {
        m_program.reset();
        RemoveCorvaneKeys();
    }

    static DWORD ExitCodeOf(const RunningProgram& program)
    {
        DWORD exitCode = STILL_ACTIVE;
        EXPECT_TRUE(program.WaitForExit(kExitTimeoutMs, exitCode))
            << "still running; open dialogs: " << program.OpenDialogs();
        return exitCode;
    }

    // Starts corvane.exe with arguments and waits for its end.
    DWORD RunToExit(const std::string& arguments)
    {
        Start(arguments);
        return m_program->Started() ? ExitCodeOf(*m_program) : STILL_ACTIVE;
    }

    // The command line's boxes have no owner: waits for any box of the
    // program, reads it and answers it.
    SeenBox AnswerAnyBox(int buttonId)
    {
        SeenBox seen;
        HWND box = nullptr;
        WaitUntil(
            [&] {
                std::vector<HWND> dialogs = m_program->VisibleDialogs();
                box = dialogs.empty() ? nullptr : dialogs.front();
                return box != nullptr || m_program->HasExited();
            },
            10000);
        if (!box) {
            ADD_FAILURE() << "no message box";
            return seen;
        }
        seen = ReadMessageBox(box);
        EXPECT_TRUE(Answer(box, buttonId)) << Show(seen);
        return seen;
    }

    static std::string Probe() { return FileBesideThisProgram("run_probe.exe"); }
};

bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

}  // namespace

TEST_F(CorvaneCommandLine, Set_WritesExactlyTheNamedValuesAsTheDialogSaves)
{
    DdhalKey key;
    key.SetOptions("1", "1", "1", "1", nullptr);
    key.SetDword("Number", 7);
    key.SetString("Other", "x");
    StoredValues expected = key.ReadAll();

    // No /quiet: success shows nothing, or the program would not end.
    EXPECT_EQ(0u, RunToExit("/SET palette=0 BREAK=1 EnableKatmai=1"));
    expected["Palette"] = Sz("0");
    expected["Break"] = Sz("1");
    expected["EnableKatmai"] = Sz("1");
    EXPECT_EQ(expected, key.ReadAll()) << Describe(key.ReadAll());
    EXPECT_FALSE(MachineKeyExists(kCorvaneKey)) << "/set left a restore record";
}

TEST_F(CorvaneCommandLine, Defaults_WritesTheFiveDefaultsAndNothingElse)
{
    DdhalKey key;
    key.SetOptions("0", "0", "1", "0", nullptr);
    key.SetString("Other", "x");
    EXPECT_EQ(0u, RunToExit("/defaults"));
    StoredValues expected{{"AntiAlias", Sz("1")}, {"Break", Sz("0")}, {"DitherInit", Sz("1")},
                          {"EnableKatmai", Sz("0")}, {"Palette", Sz("1")}, {"Other", Sz("x")}};
    EXPECT_EQ(expected, key.ReadAll()) << Describe(key.ReadAll());
}

TEST_F(CorvaneCommandLine, BadLinesExitOneAndUsageExitsZero_NeitherWrites)
{
    DdhalKey key;
    key.SetOptions("1", "0", "1", "0", "1");
    StoredValues before = key.ReadAll();
    const std::string badLines[] = {
        "/quiet /bogus",
        "/quiet /set",
        "/quiet /set Volume=1",
        "/quiet /set Palette=2",
        "/quiet /set Palette=",
        "/quiet /set Palette",
        "/quiet /set Palette=1 palette=0",
        "/quiet /set Palette=1 /defaults",
        "/QUIET",
        "/quiet Palette=1 /set",
        "/set Palette=1 /quiet /run",
        "/quiet /run " + Quoted(Probe()) + " x 0",
    };
    for (const std::string& line : badLines) {
        SCOPED_TRACE(line);
        EXPECT_EQ(1u, RunToExit(line));
    }

    Start("/set Palette=0 Break=2");
    SeenBox bad = AnswerAnyBox(IDOK);
    EXPECT_EQ("Error", bad.caption) << Show(bad);
    EXPECT_TRUE(Contains(bad.text, "The value must be 0 or 1: Break=2")) << Show(bad);
    EXPECT_TRUE(Contains(bad.text, "/run PROGRAM")) << "no usage: " << Show(bad);
    EXPECT_EQ(1u, ExitCodeOf(*m_program));

    Start("/set Palette=0 /?");
    SeenBox usage = AnswerAnyBox(IDOK);
    EXPECT_EQ("Corvane", usage.caption) << Show(usage);
    EXPECT_TRUE(Contains(usage.text, "corvane.exe /set NAME=V")) << Show(usage);
    EXPECT_EQ(0u, ExitCodeOf(*m_program));

    EXPECT_EQ(before, key.ReadAll()) << Describe(key.ReadAll());
    EXPECT_FALSE(MachineKeyExists(kCorvaneKey));
}

TEST_F(CorvaneCommandLine, DriverDetectionAsTheDialog_AndAKeyRefusingWritesIsARegistryFailure)
{
    {
        DdhalKey key(DdhalKey::CreateNothing);
        Start("/set Palette=1");
        ExpectBox(AnswerAnyBox(IDOK), "Error", "ATI Rage 128 card not detected, or not installed",
                  {IDOK});
        EXPECT_EQ(2u, ExitCodeOf(*m_program));
        EXPECT_FALSE(DdhalKey::Exists(DdhalKey::kAtiPath)) << "detection created keys";
    }
    {
        DdhalKey key;
        key.SetString("AntiAlias", "1");
        key.SetString("DitherInit", "1");
        key.SetString("Palette", "1");
        StoredValues before = key.ReadAll();
        EXPECT_EQ(2u, RunToExit("/quiet /defaults"));
        EXPECT_EQ(before, key.ReadAll()) << Describe(key.ReadAll());
    }
    {
        DdhalKey key;
        key.SetOptions("1", "1", "1", "1", "1");
        StoredValues before = key.ReadAll();
        ASSERT_TRUE(key.DenyRights(DdhalKey::kDdhalPath, KEY_SET_VALUE));
        Start("/set Palette=0");
        SeenBox error = AnswerAnyBox(IDOK);
        EXPECT_EQ("Error", error.caption) << Show(error);
        EXPECT_TRUE(Contains(error.text, "CRegistryKey::CRegistryKey(HKEY hKey ...)")) << Show(error);
        EXPECT_EQ(3u, ExitCodeOf(*m_program));
        EXPECT_EQ(before, key.ReadAll()) << Describe(key.ReadAll());
    }
}

TEST_F(CorvaneCommandLine, Run_ProgramSeesItsValuesAndEndsWithTheKeyAsBefore)
{
    DdhalKey key;
    key.SetOptions("1", "1", "1", "1", nullptr);
    // Odd text: three bytes with no terminating zero (the "X" after them
    // keeps the system from adding one).
    const char odd[] = "yesX";
    key.SetRaw("AntiAlias", REG_SZ, odd, 3);
    key.SetDword("Palette", 1);
    key.SetString("Other", "x");
    StoredValues before = key.ReadAll();

    ProbeReportFile report;
    std::string programLine = Quoted(Probe()) + " " + Quoted(report.Path()) + " 7 \"two  words\"";
    EXPECT_EQ(7u, RunToExit("/set AntiAlias=0 Break=1 Palette=0 /run " + programLine));

    StoredValues seen = before;
    seen["AntiAlias"] = Sz("0");
    seen["Break"] = Sz("1");
    seen["Palette"] = Sz("0");
    std::string folder = Probe().substr(0, Probe().find_last_of('\\'));
    EXPECT_EQ(ProbeReport(seen, programLine, folder), report.Text());
    EXPECT_EQ(before, key.ReadAll()) << "before:\n" << Describe(before) << "after:\n"
                                     << Describe(key.ReadAll());
    EXPECT_FALSE(MachineKeyExists(kCorvaneKey)) << "the restore record was left";
}

TEST_F(CorvaneCommandLine, Run_ProgramThatCannotStartExitsFourWithNothingChanged)
{
    DdhalKey key;
    key.SetOptions("1", "1", "1", "1", nullptr);
    StoredValues before = key.ReadAll();
    // Not found: nothing is written. Found but no program: written, then put back.
    EXPECT_EQ(4u, RunToExit("/quiet /set Palette=0 /run no_such_program_here.exe"));
    EXPECT_EQ(4u, RunToExit("/quiet /set Palette=0 Break=1 /run " +
                            Quoted(FileBesideThisProgram("README.TXT"))));
    EXPECT_EQ(before, key.ReadAll()) << Describe(key.ReadAll());
    EXPECT_FALSE(MachineKeyExists(kCorvaneKey));
}

TEST_F(CorvaneCommandLine, Run_CorvaneKilledWhileItsProgramRuns_TheNextStartPutsBackAndSaysSo)
{
    DdhalKey key;
    key.SetOptions("1", "1", "1", "1", nullptr);
    StoredValues before = key.ReadAll();
    ProbeReportFile report;
    HoldEvent hold;
    RunningProgram running(FileBesideThisProgram("corvane.exe"),
                           "/quiet /set Palette=0 Break=1 /run " + Quoted(Probe()) + " " +
                               Quoted(report.Path()) + " 0 " + hold.Name());
    ASSERT_TRUE(running.Started());
    ASSERT_TRUE(WaitUntil([&] { return report.Written() || running.HasExited(); }, 10000));
    ASSERT_TRUE(report.Written()) << "the program did not start";
    StoredValues during = key.ReadAll();

    // A second /run refuses while the first waits, and changes nothing.
    ProbeReportFile secondReport;
    EXPECT_EQ(5u, RunToExit("/quiet /set Palette=1 /run " + Quoted(Probe()) + " " +
                            Quoted(secondReport.Path()) + " 0"));
    EXPECT_FALSE(secondReport.Written()) << "the second /run started its program";
    EXPECT_EQ(during, key.ReadAll()) << Describe(key.ReadAll());
    // A start that runs nothing leaves the waiting run's record alone. The
    // record is the machine's, as the driver's key is.
    EXPECT_EQ(0u, RunToExit("/quiet /set DitherInit=0"));
    EXPECT_TRUE(MachineKeyExists(kRecordKey));
    EXPECT_FALSE(UserKeyExists(kUserCorvaneKey)) << "a record in the user's hive";

    ASSERT_TRUE(running.Kill());
    hold.Release();
    ASSERT_TRUE(MachineKeyExists(kRecordKey)) << "the killed Corvane's record is gone";
    // Break, which the /run set, is changed by hand since.
    key.SetString("Break", "0");

    // The dialog's start puts back what is still the /run's and says so,
    // names what it keeps, then opens as always.
    Start();
    SeenBox notice = AnswerAnyBox(IDOK);
    EXPECT_EQ("Corvane", notice.caption) << Show(notice);
    EXPECT_TRUE(Contains(notice.text, "put back as they were:\n\nPalette\n")) << Show(notice);
    EXPECT_TRUE(Contains(notice.text, "kept as they are now:\n\nBreak")) << Show(notice);
    HWND dialog = m_program->WaitForDialog(kDialogCaption);
    ASSERT_TRUE(dialog) << "no dialog; open dialogs: " << OpenDialogs();
    EXPECT_EQ(BST_CHECKED, CheckState(dialog, IDC_PALETTE));
    Click(dialog, IDCANCEL);
    AnswerBox(IDOK);
    ExpectExitZero();

    StoredValues expected = before;
    expected["DitherInit"] = Sz("0");
    expected["Break"] = Sz("0");
    EXPECT_EQ(expected, key.ReadAll()) << Describe(key.ReadAll());
    EXPECT_FALSE(MachineKeyExists(kCorvaneKey));
}

TEST_F(CorvaneCommandLine, Run_WaitsForAGameStartedThroughAChainOfShortLivedHelpers)
{
    DdhalKey key;
    key.SetOptions("1", "1", "1", "1", "1");
    StoredValues before = key.ReadAll();
    ProbeReportFile report;
    HoldEvent hold;
    // PROGRAM stays 1.5 s; meanwhile four helpers, each starting the next
    // and ending at once, start the game. A look at the process list every
    // quarter of a second misses them.
    Start("/quiet /set Palette=0 /run " + Quoted(Probe()) + " /launch 4 1500 " + Quoted(report.Path()) +
          " 6 " + hold.Name());
    ASSERT_TRUE(WaitUntil([&] { return report.Written() || m_program->HasExited(); }, 10000));
    ASSERT_TRUE(report.Written()) << "the game did not start";
    ASSERT_TRUE(WaitUntil([&] { return report.LauncherEnded() || m_program->HasExited(); }, 10000));
    EXPECT_FALSE(WaitUntil([&] { return m_program->HasExited(); }, 1000)) << "Corvane ended with PROGRAM";
    EXPECT_EQ(Sz("0"), key.ReadAll()["Palette"]) << "put back while the game runs";
    hold.Release();
    EXPECT_EQ(6u, ExitCodeOf(*m_program)) << "not PROGRAM's own exit code";
    EXPECT_EQ(before, key.ReadAll()) << Describe(key.ReadAll());
    EXPECT_FALSE(MachineKeyExists(kCorvaneKey));
}

TEST_F(CorvaneCommandLine, Run_AValueChangedWhileTheGameRunsKeepsThatChange)
{
    DdhalKey key;
    key.SetOptions("1", "1", "0", "1", "1");
    ProbeReportFile report;
    HoldEvent hold;
    Start("/set Palette=0 EnableKatmai=1 /quiet /run " + Quoted(Probe()) + " " + Quoted(report.Path()) + " 0 " +
          hold.Name());
    ASSERT_TRUE(WaitUntil([&] { return report.Written() || m_program->HasExited(); }, 10000));
    ASSERT_TRUE(report.Written()) << "the game did not start";
    // Another program rewrites Palette as a number meanwhile.
    key.SetDword("Palette", 1);
    hold.Release();
    EXPECT_EQ(0u, ExitCodeOf(*m_program));
    StoredValues after = key.ReadAll();
    EXPECT_EQ((StoredValue{REG_DWORD, std::string("\x01\0\0\0", 4)}), after["Palette"]) << Describe(after);
    EXPECT_EQ(Sz("0"), after["EnableKatmai"]) << "the value the /run changed alone was not put back";
    EXPECT_FALSE(MachineKeyExists(kCorvaneKey));
}

TEST_F(CorvaneCommandLine, LeftRecord_DamagedOneIsOfferedForDiscarding_OneWithoutItsDriverIsPutAside)
{
    DdhalKey key;
    key.SetOptions("1", "1", "1", "1", "1");
    StoredValues before = key.ReadAll();
    LeftRecord record;
    record.Copy("Palette", REG_SZ, "0", 2);
    record.Absent("Palette");

    // No keeps the record and ends as before; Yes discards it and goes on.
    Start("/set Palette=0");
    SeenBox asked = AnswerAnyBox(IDNO);
    EXPECT_EQ("Corvane", asked.caption) << Show(asked);
    EXPECT_TRUE(Contains(asked.text, "the option Palette is")) << Show(asked);
    EXPECT_EQ((std::vector<int>{IDYES, IDNO}), asked.buttons) << Show(asked);
    EXPECT_EQ(3u, ExitCodeOf(*m_program));
    EXPECT_EQ(before, key.ReadAll()) << Describe(key.ReadAll());
    EXPECT_TRUE(MachineKeyExists(kRecordKey)) << "No removed the record";
    Start("/set Palette=0");
    AnswerAnyBox(IDYES);
    EXPECT_EQ(0u, ExitCodeOf(*m_program));
    EXPECT_EQ(Sz("0"), key.ReadAll()["Palette"]);
    EXPECT_FALSE(MachineKeyExists(kCorvaneKey)) << "Yes kept the record";

    // The driver was removed since: nothing to put back, said once.
    record.Copy("Palette", REG_SZ, "1", 2);
    DdhalKey::RemoveAll();
    Start("/set Palette=0");
    SeenBox notice = AnswerAnyBox(IDOK);
    EXPECT_EQ("Corvane", notice.caption) << Show(notice);
    EXPECT_TRUE(Contains(notice.text, "is gone")) << Show(notice);
    SeenBox detection = AnswerAnyBox(IDOK);
    EXPECT_EQ("Error", detection.caption) << Show(detection);
    EXPECT_EQ(2u, ExitCodeOf(*m_program));
    EXPECT_FALSE(MachineKeyExists(kCorvaneKey)) << "the record was kept";
}

TEST_F(CorvaneCommandLine, RecordLockIsTheMachinesAndOpensWhereAnotherUserMadeIt)
{
    DdhalKey key;
    key.SetOptions("1", "1", "1", "1", "1");
    ForeignMutex lock("Global\\Corvane.RestoreRecord.Lock");
    ASSERT_TRUE(lock.Held());
    Start("/quiet /set Palette=0");
    EXPECT_FALSE(WaitUntil([&] { return m_program->HasExited(); }, 1000))
        << "the lock in the global namespace was not waited for";
    lock.Release();
    EXPECT_EQ(0u, ExitCodeOf(*m_program));
    EXPECT_EQ(Sz("0"), key.ReadAll()["Palette"]);
}

TEST_F(CorvaneCommandLine, LineNotStartingWithSlash_ShowsTheDialogAsAlways)
{
    DdhalKey key;
    key.SetOptions("1", "1", "1", "1", "1");
    StoredValues before = key.ReadAll();
    Start("hello /set Palette=0");
    HWND dialog = m_program->WaitForDialog(kDialogCaption);
    ASSERT_TRUE(dialog) << "no dialog; open dialogs: " << OpenDialogs();
    Click(dialog, IDCANCEL);
    AnswerBox(IDOK);
    ExpectExitZero();
    EXPECT_EQ(before, key.ReadAll()) << Describe(key.ReadAll());
}
