#include "app/reports/detection_report.h"

#include "app/options/driver_options.h"

void ShowDriverNotDetected(HWND owner, int readResult)
{
    const char* text = readResult == READ_OPTIONS_NO_ADAPTER
                           ? "ATI Rage 128 card not detected, or not installed"
                           : "An ATI card was found, but it is missing\ncertain features";
    MessageBoxA(owner, text, "Error", MB_OK);
}
