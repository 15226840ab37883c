#pragma once
// Drives a real program's dialogs from a test process: starts it, finds its
// windows, reads captions, texts and check states, clicks, and waits for it
// to end. Every wait is a bounded poll.
#include <windows.h>
#include <functional>
#include <string>
#include <vector>

// Path of a file in the folder of the running test program.
std::string FileBesideThisProgram(const char* name);

// Polls condition every few milliseconds until it holds or timeoutMs passed.
// Every wait here is stretched by the run's factor (tests/support/wait_scale.h).
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs);

class RunningProgram {
public:
    // Starts exePath with arguments after its quoted name; Started() tells
    // whether that worked.
    explicit RunningProgram(const std::string& exePath, const std::string& arguments = "");
    // Ends the program if it still runs (a failed test must not leave it behind).
    ~RunningProgram();
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;

    bool Started() const { return m_process.hProcess != nullptr; }
    DWORD ProcessId() const { return m_process.dwProcessId; }
    DWORD StartError() const { return m_startError; }

    // Visible top-level dialog windows (class #32770) of the program.
    std::vector<HWND> VisibleDialogs() const;
    // A visible dialog window of the program with this caption, or null.
    HWND FindVisibleDialog(const std::string& caption) const;
    HWND WaitForDialog(const std::string& caption, DWORD timeoutMs = 10000) const;
    // A visible dialog window that has an owner (message boxes have), or null.
    HWND WaitForOwnedDialog(DWORD timeoutMs = 10000) const;
    // Caption and message of each visible dialog, for failure messages.
    std::string OpenDialogs() const;

    // True when the program ended within the time; its exit code in exitCode.
    bool WaitForExit(DWORD timeoutMs, DWORD& exitCode) const;
    bool HasExited() const;
    // Ends the program at once, as TerminateProcess does, and waits for it.
    bool Kill() const;

private:
    PROCESS_INFORMATION m_process{};
    DWORD m_startError = 0;
};

std::string WindowText(HWND window);
std::string WindowClass(HWND window);
// The message text of a message box: the text of its Static child that has
// one (the icon is a Static without text).
std::string MessageBoxText(HWND box);
// Identifiers of the box's visible buttons, in child order.
std::vector<int> ButtonIds(HWND box);

// What a message box showed, read before it is answered.
struct SeenBox {
    std::string caption;
    std::string text;
    std::vector<int> buttons;
};
SeenBox ReadMessageBox(HWND box);
std::string Show(const SeenBox& box);

// Posts a click to a control of dialog; false when there is no such control.
bool Click(HWND dialog, int controlId);
// Clicks the button and waits until the box is gone.
bool Answer(HWND box, int buttonId, DWORD timeoutMs = 10000);
// BST_CHECKED, BST_UNCHECKED, or -1 when the control does not exist or its
// program does not answer.
int CheckState(HWND dialog, int controlId);
// Esc as the keyboard gives it: to the control that has the focus.
bool PressEscape(HWND dialog);

// The window's client area as GDI shows it.
struct ClientPixels {
    int width = 0;
    int height = 0;
    std::vector<DWORD> pixels;  // 0x00RRGGBB, top-down

    DWORD At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};
ClientPixels ReadClientPixels(HWND window);
