#pragma once
// A test that starts the corvane.exe beside the test program and drives its
// dialog and message boxes as a user would.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/support/dialog_driver.h"

class CorvaneProgramTest : public ::testing::Test {
protected:
    static constexpr const char* kDialogCaption = "Corvane 1.1";
    static constexpr DWORD kExitTimeoutMs = 15000;

    void Start(const std::string& arguments = "")
    {
        m_program = std::make_unique<RunningProgram>(FileBesideThisProgram("corvane.exe"), arguments);
        ASSERT_TRUE(m_program->Started()) << "CreateProcess failed: " << m_program->StartError();
    }

    // Starts the program and waits for its dialog.
    HWND StartToDialog()
    {
        Start();
        if (!m_program->Started())
            return nullptr;
        HWND dialog = m_program->WaitForDialog(kDialogCaption);
        EXPECT_TRUE(dialog) << "no dialog; open dialogs: " << OpenDialogs();
        return dialog;
    }

    // Waits for the next message box, reads it, and answers with buttonId.
    SeenBox AnswerBox(int buttonId, DWORD timeoutMs = 10000)
    {
        SeenBox seen;
        HWND box = m_program->WaitForOwnedDialog(timeoutMs);
        EXPECT_TRUE(box) << "no message box; open dialogs: " << OpenDialogs();
        if (!box)
            return seen;
        seen = ReadMessageBox(box);
        EXPECT_TRUE(Answer(box, buttonId)) << "could not answer " << buttonId << ": " << Show(seen);
        return seen;
    }

    void ExpectBox(const SeenBox& seen, const char* caption, const char* text,
                   std::vector<int> buttons)
    {
        EXPECT_EQ(caption, seen.caption) << Show(seen);
        EXPECT_EQ(text, seen.text) << Show(seen);
        EXPECT_EQ(buttons, seen.buttons) << Show(seen);
    }

    void ExpectExitZero()
    {
        DWORD exitCode = 0;
        ASSERT_TRUE(m_program->WaitForExit(kExitTimeoutMs, exitCode))
            << "still running; open dialogs: " << OpenDialogs();
        EXPECT_EQ(0u, exitCode) << "exit code 0x" << std::hex << exitCode;
    }

    std::string OpenDialogs() const { return m_program->OpenDialogs(); }

    std::unique_ptr<RunningProgram> m_program;
};
