#pragma once
// Corvane started with switches: writes options, or runs a program with its
// own options, without the dialog. Success shows nothing; the exit code
// tells the outcome.

enum CommandExitCode {
    COMMAND_EXIT_DONE = 0,
    COMMAND_EXIT_BAD_COMMAND_LINE = 1,  // nothing written
    COMMAND_EXIT_NO_DRIVER = 2,         // the dialog's detection failed
    COMMAND_EXIT_REGISTRY_FAILURE = 3,  // reported as the dialog reports it
    COMMAND_EXIT_NOT_STARTED = 4,       // PROGRAM could not be started; nothing left changed
    COMMAND_EXIT_RUN_WAITING = 5,       // another Corvane's /run still waits; nothing changed
};

// Carries out the command line; the process's exit code: one of the above,
// or PROGRAM's own after a /run.
int RunCommandLine(const char* commandLine, int showCommand);
