// corvane.exe run by the accounts of Windows 2000 and XP that are not the
// administrator: a Power User, who may change the driver's values but not
// the security of HKLM\SOFTWARE, and a limited user, who may only read them.
// Both are made with key DACLs; the dialog and every switch, end to end.
#include <gtest/gtest.h>

#include "app/resource.h"
#include "tests/app/app_ddhal_key.h"
#include "tests/app/command_line/run_probe_control.h"
#include "tests/app/command_line/run_probe_report.h"
#include "tests/app/corvane_dialog_fixture.h"

namespace {

class CorvaneAccount : public CorvaneProgramTest {
protected:
    void SetUp() override { RemoveCorvaneKeys(); }
    void TearDown() override
    {
        m_program.reset();
        RemoveCorvaneKeys();
    }

    DWORD RunToExit(const std::string& arguments)
    {
        Start(arguments);
        DWORD exitCode = STILL_ACTIVE;
        EXPECT_TRUE(m_program->WaitForExit(kExitTimeoutMs, exitCode)) << "still running; " << OpenDialogs();
        return exitCode;
    }

    static std::string ProbeLine(const ProbeReportFile& report)
    {
        return "\"" + FileBesideThisProgram("run_probe.exe") + "\" \"" + report.Path() + "\" 7";
    }

    static std::string CheckStates(HWND dialog)
    {
        std::string states;
        for (int id : {IDC_ANTIALIAS, IDC_DITHERINIT, IDC_ENABLEKATMAI, IDC_PALETTE, IDC_BREAK})
            states += CheckState(dialog, id) == BST_CHECKED ? '1' : '0';
        return states;
    }
};

}  // namespace

TEST_F(CorvaneAccount, PowerUser_SavesFromTheDialogAndEverySwitchWorks)
{
    DdhalKey key;
    key.SetOptions("1", "0", "0", "1", "0");
    AccountRights rights(AccountRights::PowerUser);
    ASSERT_TRUE(rights.Applied());

    HWND dialog = StartToDialog();
    ASSERT_TRUE(dialog);
    EXPECT_EQ("10010", CheckStates(dialog));
    Click(dialog, IDC_ENABLEKATMAI);
    Click(dialog, IDOK);
    ExpectBox(AnswerBox(IDYES), "Choice", "Save changes?", {IDYES, IDNO});
    ExpectExitZero();
    EXPECT_EQ(Sz("1"), key.ReadAll()["EnableKatmai"]);

    EXPECT_EQ(0u, RunToExit("/quiet /set Palette=0"));
    EXPECT_EQ(Sz("0"), key.ReadAll()["Palette"]);
    EXPECT_EQ(0u, RunToExit("/quiet /defaults"));
    StoredValues defaults{{"AntiAlias", Sz("1")}, {"Break", Sz("0")}, {"DitherInit", Sz("1")},
                          {"EnableKatmai", Sz("0")}, {"Palette", Sz("1")}};
    EXPECT_EQ(defaults, key.ReadAll()) << Describe(key.ReadAll());

    ProbeReportFile report;
    EXPECT_EQ(7u, RunToExit("/quiet /set Break=1 /run " + ProbeLine(report)));
    EXPECT_NE(std::string::npos, report.Text().find("Break")) << "the program did not run";
    EXPECT_EQ(defaults, key.ReadAll()) << Describe(key.ReadAll());
    EXPECT_FALSE(MachineKeyExists(kCorvaneKey)) << "the record was not removed";
}

TEST_F(CorvaneAccount, LimitedUser_SeesTheOptionsAndChangesNothing)
{
    DdhalKey key;
    key.SetOptions("1", "0", "0", "1", "0");
    StoredValues before = key.ReadAll();
    AccountRights rights(AccountRights::LimitedUser);
    ASSERT_TRUE(rights.Applied());

    // The dialog shows the driver's options; a save is refused with the
    // system's reason, and the dialog stays open with the choices made.
    HWND dialog = StartToDialog();
    ASSERT_TRUE(dialog);
    EXPECT_EQ("10010", CheckStates(dialog));
    Click(dialog, IDC_ENABLEKATMAI);
    Click(dialog, IDOK);
    AnswerBox(IDYES);
    SeenBox refused = AnswerBox(IDOK);
    EXPECT_EQ("Error", refused.caption) << Show(refused);
    EXPECT_NE(std::string::npos, refused.text.find("Your choices are kept")) << Show(refused);
    char reason[512] = "";
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, ERROR_ACCESS_DENIED, 0,
                   reason, sizeof reason - 1, nullptr);
    EXPECT_NE(std::string::npos, refused.text.find(reason)) << Show(refused);
    ASSERT_TRUE(WaitUntil([&] { return m_program->VisibleDialogs().size() == 1; }, 5000)) << OpenDialogs();
    EXPECT_TRUE(IsWindowVisible(dialog)) << "the dialog closed after the refused save";
    EXPECT_EQ("10110", CheckStates(dialog));
    Click(dialog, IDCANCEL);
    AnswerBox(IDOK);
    ExpectExitZero();

    // Every switch ends with 3; nothing is written, nothing is started.
    ProbeReportFile report;
    EXPECT_EQ(3u, RunToExit("/quiet /set Palette=0"));
    EXPECT_EQ(3u, RunToExit("/quiet /defaults"));
    EXPECT_EQ(3u, RunToExit("/quiet /set Break=1 /run " + ProbeLine(report)));
    EXPECT_FALSE(report.Written()) << "the program was started";
    EXPECT_EQ(before, key.ReadAll()) << Describe(key.ReadAll());
    EXPECT_FALSE(MachineKeyExists(kCorvaneKey)) << "a record was made";
}
