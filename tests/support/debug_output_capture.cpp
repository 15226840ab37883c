#include "tests/support/debug_output_capture.h"

#ifndef DBG_PRINTEXCEPTION_C
#define DBG_PRINTEXCEPTION_C 0x40010006L
#endif

namespace {
// Holds the captured lines for one thread at a time; a critical section, since
// the win32 thread model of the compilers has no std::mutex.
class LinesLock {
public:
    LinesLock() { EnterCriticalSection(&Section()); }
    ~LinesLock() { LeaveCriticalSection(&Section()); }
    LinesLock(const LinesLock&) = delete;
    LinesLock& operator=(const LinesLock&) = delete;

private:
    static CRITICAL_SECTION& Section()
    {
        static struct Holder {
            CRITICAL_SECTION section;
            Holder() { InitializeCriticalSection(&section); }
        } holder;
        return holder.section;
    }
};

std::vector<std::string> g_lines;
int g_active = 0;

LONG CALLBACK OnException(EXCEPTION_POINTERS* info)
{
    const EXCEPTION_RECORD* record = info->ExceptionRecord;
    if (record->ExceptionCode != static_cast<DWORD>(DBG_PRINTEXCEPTION_C) || record->NumberParameters < 2)
        return EXCEPTION_CONTINUE_SEARCH;
    const char* text = reinterpret_cast<const char*>(record->ExceptionInformation[1]);
    const size_t length = static_cast<size_t>(record->ExceptionInformation[0]);
    LinesLock lock;
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
        LinesLock lock;
        g_lines.clear();
        ++g_active;
    }
    m_handler = AddVectoredExceptionHandler(1, OnException);
}

DebugOutputCapture::~DebugOutputCapture()
{
    RemoveVectoredExceptionHandler(m_handler);
    LinesLock lock;
    --g_active;
}

std::vector<std::string> DebugOutputCapture::Lines() const
{
    LinesLock lock;
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
    LinesLock lock;
    g_lines.clear();
}
