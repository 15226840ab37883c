#include "tests/debug_output_capture.h"

#include <mutex>

#ifndef DBG_PRINTEXCEPTION_C
#define DBG_PRINTEXCEPTION_C 0x40010006L
#endif

namespace {
std::mutex g_mutex;
std::vector<std::string> g_lines;
int g_active = 0;

LONG CALLBACK OnException(EXCEPTION_POINTERS* info)
{
    const EXCEPTION_RECORD* record = info->ExceptionRecord;
    if (record->ExceptionCode != static_cast<DWORD>(DBG_PRINTEXCEPTION_C) || record->NumberParameters < 2)
        return EXCEPTION_CONTINUE_SEARCH;
    const char* text = reinterpret_cast<const char*>(record->ExceptionInformation[1]);
    const size_t length = static_cast<size_t>(record->ExceptionInformation[0]);
    std::lock_guard<std::mutex> lock(g_mutex);
    if (text) {
        // The count includes the terminating zero.
        std::string line(text, length ? length - 1 : 0);
        if (line.size() != std::char_traits<char>::length(text))
            line = text;
        g_lines.push_back(line);
    }
    return EXCEPTION_CONTINUE_EXECUTION;
}
}  // namespace

DebugOutputCapture::DebugOutputCapture()
{
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        g_lines.clear();
        ++g_active;
    }
    m_handler = AddVectoredExceptionHandler(1, OnException);
}

DebugOutputCapture::~DebugOutputCapture()
{
    RemoveVectoredExceptionHandler(m_handler);
    std::lock_guard<std::mutex> lock(g_mutex);
    --g_active;
}

std::vector<std::string> DebugOutputCapture::Lines() const
{
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_lines;
}

std::string DebugOutputCapture::Text() const
{
    std::string all;
    for (const std::string& line : Lines())
        all += line;
    return all;
}

void DebugOutputCapture::Clear()
{
    std::lock_guard<std::mutex> lock(g_mutex);
    g_lines.clear();
}
