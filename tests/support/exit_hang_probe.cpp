// A test program that passes its one test and then never ends: a static
// object's destructor waits forever, as a program hung on its way out does.
#include <gtest/gtest.h>
#include <windows.h>

namespace {
struct NeverEnds {
    ~NeverEnds()
    {
        for (;;)
            Sleep(1000);
    }
} g_neverEnds;
}  // namespace

TEST(ExitHang, Passes) {}
