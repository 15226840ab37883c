#pragma once
// The report run_probe.exe writes, formed the same way by the probe and by
// the test that says what it should have seen.
#include <string>

#include "tests/app/app_ddhal_key.h"

inline std::string ProbeReport(const StoredValues& values, const std::string& commandLine,
                               const std::string& folder)
{
    return "values:\n" + Describe(values) + "command line: " + commandLine + "\nfolder: " + folder +
           "\n";
}
