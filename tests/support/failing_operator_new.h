#pragma once
// The test program's global operator new, replaced so that a test can make
// allocations fail. Link failing_operator_new.cpp into the program itself (as
// a source, not through a library) so that it takes the place of the C++
// run-time's own. Until a test arms it, it allocates as usual.
#include <windows.h>

namespace failing_new {

// Every allocation fails until Disarm().
void FailAll();
// The next count allocations fail.
void FailNext(LONG count);
// After that many allocations succeed, the next one fails (once).
void FailAfter(LONG successes);
void Disarm();
// Blocks from operator new not yet given back.
LONG LiveAllocations();

}  // namespace failing_new
