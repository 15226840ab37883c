#pragma once
// Captures the lines a program writes with OutputDebugStringA while an object
// of this class lives. OutputDebugStringA raises DBG_PRINTEXCEPTION_C; a
// vectored exception handler takes the text and lets the program go on.
#include <windows.h>
#include <string>
#include <vector>

class DebugOutputCapture {
public:
    DebugOutputCapture();
    ~DebugOutputCapture();
    DebugOutputCapture(const DebugOutputCapture&) = delete;
    DebugOutputCapture& operator=(const DebugOutputCapture&) = delete;

    // Every string passed to OutputDebugStringA since construction or Clear(),
    // one element per call, exactly as passed.
    std::vector<std::string> Lines() const;
    // The strings joined, for assertions that print what was written.
    std::string Text() const;
    void Clear();

private:
    PVOID m_handler;
};
