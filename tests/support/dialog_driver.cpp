#include "tests/support/dialog_driver.h"

#include <cstring>

#include "tests/support/wait_scale.h"

namespace {

const DWORD kPollMs = 10;

struct EnumContext {
    DWORD processId;
    std::vector<HWND>* found;
};

BOOL CALLBACK CollectVisibleDialogs(HWND window, LPARAM param)
{
    auto* context = reinterpret_cast<EnumContext*>(param);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (processId == context->processId && IsWindowVisible(window) &&
        WindowClass(window) == "#32770")
        context->found->push_back(window);
    return TRUE;
}

}  // namespace

std::string FileBesideThisProgram(const char* name)
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string folder(path, length);
    size_t slash = folder.find_last_of("\\/");
    folder.resize(slash == std::string::npos ? 0 : slash + 1);
    return folder + name;
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs)
{
    const DWORD limit = ScaledWait(timeoutMs);
    const DWORD start = GetTickCount();
    for (;;) {
        if (condition())
            return true;
        if (GetTickCount() - start >= limit)
            return false;
        // Not synchronisation: only the interval of the bounded poll.
        Sleep(kPollMs);
    }
}

RunningProgram::RunningProgram(const std::string& exePath, const std::string& arguments)
{
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    std::string commandLine = "\"" + exePath + "\"";
    if (!arguments.empty())
        commandLine += " " + arguments;
    if (!CreateProcessA(exePath.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &m_process)) {
        m_startError = GetLastError();
        m_process = PROCESS_INFORMATION{};
    }
}

RunningProgram::~RunningProgram()
{
    if (!Started())
        return;
    if (!HasExited()) {
        TerminateProcess(m_process.hProcess, 99);
        WaitForSingleObject(m_process.hProcess, ScaledWait(5000));
    }
    CloseHandle(m_process.hThread);
    CloseHandle(m_process.hProcess);
}

std::vector<HWND> RunningProgram::VisibleDialogs() const
{
    std::vector<HWND> found;
    EnumContext context{m_process.dwProcessId, &found};
    EnumWindows(CollectVisibleDialogs, reinterpret_cast<LPARAM>(&context));
    return found;
}

HWND RunningProgram::FindVisibleDialog(const std::string& caption) const
{
    for (HWND window : VisibleDialogs()) {
        if (WindowText(window) == caption)
            return window;
    }
    return nullptr;
}

HWND RunningProgram::WaitForDialog(const std::string& caption, DWORD timeoutMs) const
{
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindVisibleDialog(caption)) != nullptr || HasExited(); },
              timeoutMs);
    return found;
}

HWND RunningProgram::WaitForOwnedDialog(DWORD timeoutMs) const
{
    HWND found = nullptr;
    WaitUntil(
        [&] {
            for (HWND window : VisibleDialogs()) {
                if (GetWindow(window, GW_OWNER) != nullptr) {
                    found = window;
                    return true;
                }
            }
            return HasExited();
        },
        timeoutMs);
    return found;
}

std::string RunningProgram::OpenDialogs() const
{
    std::string list;
    for (HWND window : VisibleDialogs())
        list += "[" + WindowText(window) + ": " + MessageBoxText(window) + "] ";
    return list.empty() ? "none" : list;
}

bool RunningProgram::WaitForExit(DWORD timeoutMs, DWORD& exitCode) const
{
    exitCode = STILL_ACTIVE;
    if (!Started() || WaitForSingleObject(m_process.hProcess, ScaledWait(timeoutMs)) != WAIT_OBJECT_0)
        return false;
    return GetExitCodeProcess(m_process.hProcess, &exitCode) != FALSE;
}

bool RunningProgram::HasExited() const
{
    return !Started() || WaitForSingleObject(m_process.hProcess, 0) == WAIT_OBJECT_0;
}

bool RunningProgram::Kill() const
{
    return Started() && TerminateProcess(m_process.hProcess, 99) &&
           WaitForSingleObject(m_process.hProcess, ScaledWait(10000)) == WAIT_OBJECT_0;
}

std::string WindowText(HWND window)
{
    char text[4096];
    int length = GetWindowTextA(window, text, sizeof text);
    return std::string(text, length > 0 ? length : 0);
}

std::string WindowClass(HWND window)
{
    char name[256];
    int length = GetClassNameA(window, name, sizeof name);
    return std::string(name, length > 0 ? length : 0);
}

std::string MessageBoxText(HWND box)
{
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (_stricmp(WindowClass(child).c_str(), "Static") != 0)
            continue;
        std::string text = WindowText(child);
        if (!text.empty())
            return text;
    }
    return std::string();
}

std::vector<int> ButtonIds(HWND box)
{
    std::vector<int> ids;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (_stricmp(WindowClass(child).c_str(), "Button") == 0 && IsWindowVisible(child))
            ids.push_back(GetDlgCtrlID(child));
    }
    return ids;
}

SeenBox ReadMessageBox(HWND box)
{
    return SeenBox{WindowText(box), MessageBoxText(box), ButtonIds(box)};
}

std::string Show(const SeenBox& box)
{
    std::string ids;
    for (int id : box.buttons)
        ids += " " + std::to_string(id);
    return "caption \"" + box.caption + "\" text \"" + box.text + "\" buttons" + ids;
}

bool Click(HWND dialog, int controlId)
{
    HWND control = GetDlgItem(dialog, controlId);
    return control && PostMessageA(control, BM_CLICK, 0, 0);
}

bool Answer(HWND box, int buttonId, DWORD timeoutMs)
{
    return Click(box, buttonId) && WaitUntil([&] { return !IsWindow(box); }, timeoutMs);
}

int CheckState(HWND dialog, int controlId)
{
    HWND control = GetDlgItem(dialog, controlId);
    // Bounded: a program that has stopped answering fails the test instead
    // of hanging it.
    DWORD_PTR state = 0;
    if (!control || !SendMessageTimeoutA(control, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, ScaledWait(10000), &state))
        return -1;
    return static_cast<int>(state);
}

bool PressEscape(HWND dialog)
{
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    DWORD thread = GetWindowThreadProcessId(dialog, nullptr);
    if (!GetGUIThreadInfo(thread, &info) || info.hwndFocus == nullptr)
        return false;
    const LPARAM down = 0x00010001;
    const LPARAM up = static_cast<LPARAM>(0xC0010001u);
    return PostMessageA(info.hwndFocus, WM_KEYDOWN, VK_ESCAPE, down) &&
           PostMessageA(info.hwndFocus, WM_KEYUP, VK_ESCAPE, up);
}

ClientPixels ReadClientPixels(HWND window)
{
    ClientPixels shot;
    RECT client;
    GetClientRect(window, &client);
    shot.width = client.right;
    shot.height = client.bottom;
    if (shot.width <= 0 || shot.height <= 0)
        return shot;

    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = shot.width;
    info.bmiHeader.biHeight = -shot.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC windowDc = GetDC(window);
    HDC memoryDc = CreateCompatibleDC(windowDc);
    HBITMAP bitmap = CreateDIBSection(windowDc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap) {
        HGDIOBJ previous = SelectObject(memoryDc, bitmap);
        BitBlt(memoryDc, 0, 0, shot.width, shot.height, windowDc, 0, 0, SRCCOPY);
        GdiFlush();
        const DWORD* source = static_cast<const DWORD*>(bits);
        shot.pixels.assign(source, source + static_cast<size_t>(shot.width) * shot.height);
        for (DWORD& pixel : shot.pixels)
            pixel &= 0x00FFFFFF;
        SelectObject(memoryDc, previous);
        DeleteObject(bitmap);
    }
    DeleteDC(memoryDc);
    ReleaseDC(window, windowDc);
    return shot;
}
