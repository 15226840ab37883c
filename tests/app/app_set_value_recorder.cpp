#include "tests/app/app_set_value_recorder.h"

#include <cstdio>

namespace {

using SetValueFunction = LONG(WINAPI*)(HKEY, LPCSTR, DWORD, DWORD, const BYTE*, DWORD);
using NamedFunction = LONG(WINAPI*)(HKEY, LPCSTR);
using FlushFunction = LONG(WINAPI*)(HKEY);

SetValueFunction g_forward = nullptr;
NamedFunction g_forwardDeleteValue = nullptr;
FlushFunction g_forwardFlush = nullptr;
NamedFunction g_forwardDeleteKey = nullptr;
std::vector<SetValueCall> g_calls;
std::vector<std::string> g_writes;
size_t g_failingCall = 0;  // index into g_calls plus one; 0 for none
LONG g_failingStatus = ERROR_SUCCESS;

LONG WINAPI RecordingSetValue(HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE* data,
                              DWORD length)
{
    LONG status = g_calls.size() + 1 == g_failingCall
                      ? g_failingStatus
                      : g_forward(key, name, reserved, type, data, length);
    g_calls.push_back(SetValueCall{name ? name : "", type, length,
                                   data ? std::string(reinterpret_cast<const char*>(data), length)
                                        : std::string(),
                                   data == nullptr, status});
    g_writes.push_back("set " + g_calls.back().name);
    return status;
}

LONG WINAPI RecordingDeleteValue(HKEY key, LPCSTR name)
{
    g_writes.push_back(std::string("delete value ") + (name ? name : ""));
    return g_forwardDeleteValue(key, name);
}

LONG WINAPI RecordingFlush(HKEY key)
{
    g_writes.push_back("flush");
    return g_forwardFlush(key);
}

LONG WINAPI RecordingDeleteKey(HKEY key, LPCSTR name)
{
    g_writes.push_back(std::string("delete key ") + (name ? name : ""));
    return g_forwardDeleteKey(key, name);
}

}  // namespace

SetValueRecorder::SetValueRecorder()
    : m_patch("advapi32.dll", "RegSetValueExA", reinterpret_cast<void*>(&RecordingSetValue)),
      m_deleteValuePatch("advapi32.dll", "RegDeleteValueA", reinterpret_cast<void*>(&RecordingDeleteValue)),
      m_flushPatch("advapi32.dll", "RegFlushKey", reinterpret_cast<void*>(&RecordingFlush)),
      m_deleteKeyPatch("advapi32.dll", "RegDeleteKeyA", reinterpret_cast<void*>(&RecordingDeleteKey))
{
    g_calls.clear();
    g_writes.clear();
    g_failingCall = 0;
    g_forward = reinterpret_cast<SetValueFunction>(m_patch.Original());
    g_forwardDeleteValue = reinterpret_cast<NamedFunction>(m_deleteValuePatch.Original());
    g_forwardFlush = reinterpret_cast<FlushFunction>(m_flushPatch.Original());
    g_forwardDeleteKey = reinterpret_cast<NamedFunction>(m_deleteKeyPatch.Original());
}

SetValueRecorder::~SetValueRecorder() = default;

void SetValueRecorder::FailCall(size_t callNumber, LONG status)
{
    g_failingCall = g_calls.size() + callNumber;
    g_failingStatus = status;
}

const std::vector<SetValueCall>& SetValueRecorder::Calls() const
{
    return g_calls;
}

const std::vector<std::string>& SetValueRecorder::Writes() const
{
    return g_writes;
}

std::string SetValueRecorder::Describe() const
{
    std::string text;
    for (const SetValueCall& call : g_calls) {
        char line[128];
        std::snprintf(line, sizeof line, " type %lu length %lu status %ld data \"",
                      static_cast<unsigned long>(call.type), static_cast<unsigned long>(call.length),
                      static_cast<long>(call.status));
        text += call.name + line;
        for (char c : call.data)
            text += c ? std::string(1, c) : std::string("\\0");
        text += "\"\n";
    }
    return text.empty() ? "(no calls)\n" : text;
}
