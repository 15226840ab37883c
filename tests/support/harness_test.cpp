// The harness itself: scratch keys vanish, debugger output is captured line by line.
#include <gtest/gtest.h>
#include "tests/support/debug_output_capture.h"
#include "tests/support/scratch_key.h"

TEST(Harness, ScratchKeyIsRemovedWithItsSubkeys)
{
    std::string path;
    {
        ScratchKey key;
        path = key.Path();
        RegCloseKey(key.CreateSubkey("a\\b\\c"));
        key.SetString("v", "x");
        EXPECT_TRUE(key.HasSubkey("a\\b"));
    }
    HKEY h = nullptr;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &h));
}

TEST(Harness, CapturesEachOutputDebugStringCall)
{
    DebugOutputCapture capture;
    OutputDebugStringA("first line\n");
    OutputDebugStringA("second");
    const std::vector<std::string> expected{"first line\n", "second"};
    EXPECT_EQ(expected, capture.Lines());
}
