// The command line carried out inside this test program, quietly: here a
// registry write can be made to fail through the program's own import of
// RegSetValueExA, and a restore record can be left as a dead Corvane would.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/command_line/command_mode.h"
#include "app/command_line/record_recovery.h"
#include "tests/app/app_ddhal_key.h"
#include "tests/app/app_set_value_recorder.h"
#include "tests/support/dialog_driver.h"

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
    EXPECT_FALSE(UserKeyExists(kCorvaneKey)) << "the restore record was left";
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
    EXPECT_FALSE(UserKeyExists(kCorvaneKey)) << "the record was not removed";
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
    EXPECT_TRUE(UserKeyExists(kRecordKey)) << "the damaged record was removed";
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

    // In table order: the record (Break named as absent, Palette's copy), one
    // flush, the two writes; after the program the put-back, the DDHAL key's
    // flush, and only then the record's removal.
    std::vector<std::string> writes = recorder.Writes();
    std::string all;
    for (const std::string& write : writes)
        all += write + "\n";
    std::vector<std::string> expectedStart{"set Break", "set Palette", "flush", "set Break", "set Palette",
                                           "delete value Break", "set Palette", "flush"};
    ASSERT_GT(writes.size(), expectedStart.size()) << all;
    EXPECT_EQ(expectedStart, std::vector<std::string>(writes.begin(), writes.begin() + expectedStart.size()))
        << all;
    for (size_t i = expectedStart.size(); i < writes.size(); ++i)
        EXPECT_EQ(0u, writes[i].rfind("delete key ", 0)) << all;
}
