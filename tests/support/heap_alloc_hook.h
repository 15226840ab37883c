#pragma once
// Makes chosen HeapAlloc calls of this program fail, by replacing the
// program's own import of HeapAlloc (and HeapFree, to count what comes back).
// Only code linked into the test program is affected; DirectDraw and the C
// run-time keep their own imports. Meant for one thread.
#include <windows.h>

class HeapAllocHook {
public:
    HeapAllocHook();   // installs the replacements; Installed() says whether it worked
    ~HeapAllocHook();  // puts the original imports back
    HeapAllocHook(const HeapAllocHook&) = delete;
    HeapAllocHook& operator=(const HeapAllocHook&) = delete;

    bool Installed() const;

    // The n-th HeapAlloc from now (1 = the next one) returns null; 0 disarms.
    void FailAllocation(int n);
    // Every HeapAlloc from now on fails until FailAllocation(0).
    void FailAll();
    // Calls seen since construction or ResetCounts.
    int Allocations() const;
    // Blocks handed out since ResetCounts and not yet freed.
    int LiveBlocks() const;
    void ResetCounts();
};
