// The option store against the real registry: reading decides whether the
// driver is there and what each option holds; writing stores exactly five
// strings and nothing else.
#include <gtest/gtest.h>
#include <climits>
#include <cstring>
#include <string>

#include "app/dialog/option_boxes.h"
#include "app/options/driver_options.h"
#include "app/resource.h"
#include "registry/registry_key.h"
#include "tests/app/app_ddhal_key.h"
#include "tests/app/app_set_value_recorder.h"

namespace {

enum { ANTIALIAS, BREAK, DITHERINIT, ENABLEKATMAI, PALETTE };

std::string Values()
{
    std::string text = "{";
    for (int i = 0; i < DRIVER_OPTION_COUNT; ++i)
        text += (i ? ", " : "") + std::to_string(OptionValue(i));
    return text + "}";
}

// Through the options' own parser, as a read from the registry sets them.
void SetValues(int antiAlias, int breakValue, int ditherInit, int enableKatmai, int palette)
{
    const int values[DRIVER_OPTION_COUNT] = {antiAlias, breakValue, ditherInit, enableKatmai,
                                             palette};
    for (int i = 0; i < DRIVER_OPTION_COUNT; ++i)
        ParseOptionValue(g_driverOptions[i].valueName, std::to_string(values[i]).c_str());
}

// A top-level window holding the five check boxes with the dialog's ids.
class CheckBoxWindow {
public:
    CheckBoxWindow()
    {
        m_window = CreateWindowExA(0, "STATIC", "options", WS_POPUP, 0, 0, 200, 200, nullptr,
                                   nullptr, GetModuleHandleA(nullptr), nullptr);
        for (const OptionBox& box : g_optionBoxes)
            CreateWindowExA(0, "BUTTON", "", WS_CHILD | BS_AUTOCHECKBOX, 0, 0, 10, 10, m_window,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(box.checkBoxId)),
                            GetModuleHandleA(nullptr), nullptr);
    }
    ~CheckBoxWindow() { DestroyWindow(m_window); }
    HWND Get() const { return m_window; }
    int State(int id) const { return static_cast<int>(IsDlgButtonChecked(m_window, id)); }

private:
    HWND m_window;
};

}  // namespace

TEST(DriverOptions, TableHoldsNamesIdsAndDefaultsInWriteOrder)
{
    const char* names[] = {"AntiAlias", "Break", "DitherInit", "EnableKatmai", "Palette"};
    const int boxes[] = {200, 204, 201, 202, 203};
    const int helps[] = {300, 304, 301, 302, 303};
    const int defaults[] = {1, 0, 1, 0, 1};
    for (int i = 0; i < DRIVER_OPTION_COUNT; ++i) {
        SCOPED_TRACE(names[i]);
        EXPECT_STREQ(names[i], g_driverOptions[i].valueName);
        EXPECT_EQ(boxes[i], g_optionBoxes[i].checkBoxId);
        EXPECT_EQ(helps[i], g_optionBoxes[i].helpButtonId);
        EXPECT_EQ(defaults[i], g_driverOptions[i].defaultValue);
        EXPECT_EQ(i != BREAK, g_driverOptions[i].requiredAtStartup);
    }
}

TEST(DriverOptions, Read_StringsGiveValuesAndMissingBreakStaysUnknown)
{
    DdhalKey key;
    key.SetOptions("1", "0", "0", "1", nullptr);
    SetValues(0, 0, 0, 0, 0);
    EXPECT_EQ(READ_OPTIONS_OK, ReadDriverOptions());
    EXPECT_EQ("{1, -1, 0, 0, 1}", Values());
}

TEST(DriverOptions, Read_MissingKeysAtEachLevelMeanNoAdapterAndKeepValues)
{
    const char* const present[] = {nullptr, "SOFTWARE\\ATI TECHNOLOGIES",
                                   "SOFTWARE\\ATI TECHNOLOGIES\\DRIVER"};
    for (const char* path : present) {
        SCOPED_TRACE(path ? path : "nothing");
        DdhalKey key(DdhalKey::CreateNothing);
        if (path) {
            ASSERT_TRUE(DdhalKey::CreatePath(path));
        }
        SetValues(5, 6, 7, 8, 9);
        EXPECT_EQ(READ_OPTIONS_NO_ADAPTER, ReadDriverOptions());
        EXPECT_EQ("{5, 6, 7, 8, 9}", Values());
        EXPECT_FALSE(DdhalKey::Exists(DdhalKey::kDdhalPath)) << "reading created the key";
    }
}

TEST(DriverOptions, Read_EachMissingRequiredValueGivesMinusTwoButBreakDoesNot)
{
    const char* required[] = {"AntiAlias", "DitherInit", "EnableKatmai", "Palette"};
    for (const char* missing : required) {
        SCOPED_TRACE(missing);
        DdhalKey key;
        for (const char* name : required) {
            if (std::strcmp(name, missing) != 0)
                key.SetString(name, "1");
        }
        key.SetString("Break", "1");
        EXPECT_EQ(READ_OPTIONS_VALUE_MISSING, ReadDriverOptions()) << Values();
    }
}

TEST(DriverOptions, Read_NamesAreCaseSensitive)
{
    DdhalKey key;
    key.SetOptions("1", "1", "1", "1", "1");
    // Wine's registry, like Windows', treats names case-insensitively, so the
    // lower-case spelling has to replace the real one rather than sit beside it.
    RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, DdhalKey::kDdhalPath, "AntiAlias");
    key.SetString("antialias", "1");
    EXPECT_EQ(READ_OPTIONS_VALUE_MISSING, ReadDriverOptions());
    EXPECT_EQ(OPTION_UNKNOWN, OptionValue(ANTIALIAS)) << Values();
}

TEST(DriverOptions, Read_MinusOneTextCountsAsMissing)
{
    DdhalKey key;
    key.SetOptions("1", "-1", "0", "1", "0");
    EXPECT_EQ(READ_OPTIONS_VALUE_MISSING, ReadDriverOptions());
    EXPECT_EQ("{1, 0, -1, 0, 1}", Values());
}

TEST(DriverOptions, Read_TextsParseAsLeadingDecimalInteger)
{
    struct Case {
        const char* text;
        int expected;
    } cases[] = {
        {" 1", 1}, {"\t 1", 1}, {"1abc", 1}, {"", 0}, {"word", 0}, {"7", 7}, {"+1", 1},
        {"-5", -5}, {"0x1", 0}, {"99999999999", INT_MAX}, {"-99999999999", INT_MIN},
    };
    DdhalKey key;
    key.SetOptions("1", "1", "1", "1", "1");
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("text \"") + c.text + "\"");
        key.SetString("EnableKatmai", c.text);
        EXPECT_EQ(READ_OPTIONS_OK, ReadDriverOptions());
        EXPECT_EQ(c.expected, OptionValue(ENABLEKATMAI));
    }
}

TEST(DriverOptions, Read_NonStringTypesUseTheirDisplayText)
{
    DdhalKey key;
    key.SetOptions("1", "1", "1", "1", "1");
    key.SetDword("AntiAlias", 1);             // "A number"
    const BYTE one = 0x01, ten = 0x0a;
    key.SetRaw("DitherInit", REG_BINARY, &one, 1);   // "01"
    key.SetRaw("Palette", REG_BINARY, &ten, 1);      // "0a"
    key.SetRaw("Break", REG_MULTI_SZ, "1\0" "0\0", 5);  // first string
    EXPECT_EQ(READ_OPTIONS_OK, ReadDriverOptions());
    EXPECT_EQ("{0, 1, 1, 1, 0}", Values());
}

TEST(DriverOptions, Write_FiveTwoByteStringsInTableOrder)
{
    DdhalKey key;
    key.SetOptions("0", "0", "0", "0", "0");
    SetValues(1, 0, 1, 0, 1);
    SetValueRecorder recorder;
    ASSERT_TRUE(recorder.Installed()) << "this program does not import RegSetValueExA";
    WriteDriverOptions();

    const char* expectedNames[] = {"AntiAlias", "Break", "DitherInit", "EnableKatmai", "Palette"};
    const char* expectedTexts[] = {"1", "0", "1", "0", "1"};
    const std::vector<SetValueCall>& calls = recorder.Calls();
    ASSERT_EQ(5u, calls.size()) << recorder.Describe();
    for (size_t i = 0; i < calls.size(); ++i) {
        SCOPED_TRACE(recorder.Describe());
        EXPECT_EQ(expectedNames[i], calls[i].name);
        EXPECT_EQ(static_cast<DWORD>(REG_SZ), calls[i].type);
        EXPECT_EQ(2u, calls[i].length);
        EXPECT_EQ(std::string(expectedTexts[i], 2), calls[i].data);
    }
    StoredValues expected{{"AntiAlias", Sz("1")}, {"Break", Sz("0")}, {"DitherInit", Sz("1")},
                          {"EnableKatmai", Sz("0")}, {"Palette", Sz("1")}};
    EXPECT_EQ(expected, key.ReadAll()) << Describe(key.ReadAll());
}

TEST(DriverOptions, Write_ClampsValuesAndReplacesOtherTypes)
{
    DdhalKey key;
    key.SetDword("AntiAlias", 1);
    const BYTE one = 0x01;
    key.SetRaw("Palette", REG_BINARY, &one, 1);
    SetValues(7, -1, INT_MIN, 2, 1);
    WriteDriverOptions();
    EXPECT_EQ("{1, 0, 0, 1, 1}", Values());
    StoredValues expected{{"AntiAlias", Sz("1")}, {"Break", Sz("0")}, {"DitherInit", Sz("0")},
                          {"EnableKatmai", Sz("1")}, {"Palette", Sz("1")}};
    EXPECT_EQ(expected, key.ReadAll()) << Describe(key.ReadAll());
}

TEST(DriverOptions, ReadThenWrite_CreatesBreakAndLeavesOtherValuesAlone)
{
    DdhalKey key;
    key.SetOptions("1", "0", "0", "1", nullptr);
    key.SetString("antialias2", "1");
    key.SetDword("Other", 0x12345678);
    const BYTE blob[] = {0, 1, 2};
    key.SetRaw("", REG_BINARY, blob, sizeof blob);  // the key's default value
    StoredValues before = key.ReadAll();

    ASSERT_EQ(READ_OPTIONS_OK, ReadDriverOptions());
    SetValueRecorder recorder;
    WriteDriverOptions();

    StoredValues after = key.ReadAll();
    ASSERT_EQ(before.size() + 1, after.size()) << Describe(after);
    EXPECT_EQ(Sz("0"), after["Break"]) << Describe(after);
    after.erase("Break");
    EXPECT_EQ(before, after) << "before:\n" << Describe(before) << "after:\n" << Describe(after);
    EXPECT_EQ(5u, recorder.Calls().size()) << recorder.Describe();
}

TEST(DriverOptions, Write_FailingThirdWritePutsBackTheFirstTwoAndRaises)
{
    DdhalKey key;
    key.SetOptions(" 1", "0", "0", "1", nullptr);
    const BYTE odd[] = {0x01, 0x00, 0xff};
    key.SetRaw("DitherInit", REG_BINARY, odd, sizeof odd);
    StoredValues before = key.ReadAll();
    SetValues(0, 1, 0, 1, 0);
    SetValueRecorder recorder;
    recorder.FailCall(3, ERROR_ACCESS_DENIED);
    try {
        WriteDriverOptions();
        ADD_FAILURE() << "no exception";
    } catch (Quarnell::CRegistryKey::Exception& e) {
        EXPECT_STREQ("CRegistryKey::SetValue()", e.GetWhere());
        EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), e.GetError());
    }
    EXPECT_EQ(before, key.ReadAll()) << "before:\n" << Describe(before) << "after:\n"
                                     << Describe(key.ReadAll()) << "calls:\n" << recorder.Describe();
}

TEST(DriverOptions, Write_MissingKeyRaisesAndCreatesNothing)
{
    DdhalKey key(DdhalKey::CreateNothing);
    ASSERT_TRUE(DdhalKey::CreatePath("SOFTWARE\\ATI TECHNOLOGIES\\DRIVER"));
    SetValues(1, 1, 1, 1, 1);
    try {
        WriteDriverOptions();
        ADD_FAILURE() << "no exception";
    } catch (Quarnell::CRegistryKey::Exception& e) {
        EXPECT_STREQ("CRegistryKey::CRegistryKey(HKEY hKey ...)", e.GetWhere());
        EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), e.GetError());
    }
    EXPECT_FALSE(DdhalKey::Exists(DdhalKey::kDdhalPath));
}

TEST(DriverOptions, Read_KeyRefusingReadingRaisesAccessDenied)
{
    const char* paths[] = {DdhalKey::kAtiPath, DdhalKey::kDdhalPath};
    for (const char* path : paths) {
        SCOPED_TRACE(path);
        DdhalKey key;
        key.SetOptions("1", "1", "1", "1", "1");
        ASSERT_TRUE(key.DenyRights(path, KEY_QUERY_VALUE));
        try {
            int result = ReadDriverOptions();
            ADD_FAILURE() << "no exception; result " << result;
        } catch (Quarnell::CRegistryKey::Exception& e) {
            EXPECT_STREQ("CRegistryKey::CRegistryKey(HKEY hKey ...)", e.GetWhere());
            EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), e.GetError());
        }
    }
}

TEST(DriverOptions, OptionsToDialogShowsPositiveAsCheckedAndDialogToOptionsReadsBoxes)
{
    CheckBoxWindow boxes;
    SetValues(1, OPTION_UNKNOWN, 0, 7, INT_MIN);
    OptionsToDialog(boxes.Get());
    EXPECT_EQ(BST_CHECKED, boxes.State(IDC_ANTIALIAS));
    EXPECT_EQ(BST_UNCHECKED, boxes.State(IDC_BREAK));
    EXPECT_EQ(BST_UNCHECKED, boxes.State(IDC_DITHERINIT));
    EXPECT_EQ(BST_CHECKED, boxes.State(IDC_ENABLEKATMAI));
    EXPECT_EQ(BST_UNCHECKED, boxes.State(IDC_PALETTE));

    CheckDlgButton(boxes.Get(), IDC_BREAK, BST_CHECKED);
    CheckDlgButton(boxes.Get(), IDC_ANTIALIAS, BST_UNCHECKED);
    DialogToOptions(boxes.Get());
    EXPECT_EQ("{0, 1, 0, 1, 0}", Values());
}

TEST(DriverOptions, RestoreDefaultsSetsTableDefaults)
{
    SetValues(-1, 5, 0, 9, 0);
    RestoreDefaultOptions();
    EXPECT_EQ("{1, 0, 1, 0, 1}", Values());
}
