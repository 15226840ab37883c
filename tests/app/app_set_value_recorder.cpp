#include "tests/app/app_set_value_recorder.h"

#include <cstdio>

namespace {

using SetValueFunction = LONG(WINAPI*)(HKEY, LPCSTR, DWORD, DWORD, const BYTE*, DWORD);

SetValueFunction g_forward = nullptr;
std::vector<SetValueCall> g_calls;
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
                                   status});
    return status;
}

}  // namespace

SetValueRecorder::SetValueRecorder()
    : m_patch("advapi32.dll", "RegSetValueExA", reinterpret_cast<void*>(&RecordingSetValue))
{
    g_calls.clear();
    g_failingCall = 0;
    g_forward = reinterpret_cast<SetValueFunction>(m_patch.Original());
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
