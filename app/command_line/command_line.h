#pragma once
// Corvane's command line. A line whose first character after blanks is '/'
// asks for what the switches say, without the dialog; every other line
// leaves the program the dialog it always was.
#include <algorithm>
#include <iterator>
#include <string>

#include "app/options/driver_options.h"

struct CommandRequest {
    bool quiet = false;     // /quiet: no message boxes
    bool usage = false;     // /?
    bool defaults = false;  // /defaults
    // The value each option is to get, in table order: 0, 1, or
    // OPTION_UNKNOWN for an option the line does not name.
    int values[DRIVER_OPTION_COUNT];
    bool run = false;                // /run PROGRAM [ARGUMENTS]
    std::string program;             // PROGRAM, its quotes taken off
    std::string programCommandLine;  // PROGRAM and its arguments exactly as typed
    std::string error;               // what is wrong with the line; empty when nothing

    CommandRequest() { std::fill(std::begin(values), std::end(values), OPTION_UNKNOWN); }
};

extern const char COMMAND_LINE_USAGE[];

bool IsCommandLineMode(const char* commandLine);
// Never raises for a bad line: error says what is wrong with it. /quiet is
// found wherever it stands before /run, also on a bad line.
CommandRequest ParseCommandLine(const char* commandLine);
