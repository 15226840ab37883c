#include "app/d3d_test.h"

// Stands in for the Direct3D test until the display manager is in place.
void TestCommand(HWND dialog)
{
    MessageBoxA(dialog, "The Direct3D test is not available yet.", "Direct3D Test",
                MB_OK | MB_ICONINFORMATION);
}
