#pragma once
// What a test holds to watch and steer run_probe.exe: its report file and
// the event that keeps it running.
#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>

inline bool FileExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// A report file of run_probe.exe in the temporary folder, removed with it,
// and the mark a launcher leaves beside it when it has ended.
class ProbeReportFile {
public:
    ProbeReportFile()
    {
        char folder[MAX_PATH];
        GetTempPathA(sizeof folder, folder);
        char name[MAX_PATH];
        GetTempFileNameA(folder, "prb", 0, name);
        m_path = name;
        DeleteFileA(m_path.c_str());  // the probe's rename must not find it
    }
    ~ProbeReportFile()
    {
        DeleteFileA(m_path.c_str());
        DeleteFileA(LauncherEndedPath().c_str());
    }
    ProbeReportFile(const ProbeReportFile&) = delete;
    ProbeReportFile& operator=(const ProbeReportFile&) = delete;

    const std::string& Path() const { return m_path; }
    bool Written() const { return FileExists(m_path); }
    std::string Text() const
    {
        std::ifstream in(m_path, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    std::string LauncherEndedPath() const { return m_path + ".launcher-ended"; }
    bool LauncherEnded() const { return FileExists(LauncherEndedPath()); }

private:
    std::string m_path;
};

// An event that keeps run_probe.exe running until the test sets it.
class HoldEvent {
public:
    HoldEvent() : m_name("CorvaneTests.Hold." + std::to_string(GetCurrentProcessId()))
    {
        m_event = CreateEventA(nullptr, TRUE, FALSE, m_name.c_str());
    }
    ~HoldEvent()
    {
        Release();
        CloseHandle(m_event);
    }
    HoldEvent(const HoldEvent&) = delete;
    HoldEvent& operator=(const HoldEvent&) = delete;

    const std::string& Name() const { return m_name; }
    void Release() const { SetEvent(m_event); }

private:
    std::string m_name;
    HANDLE m_event;
};
