#include "app/command_line/command_mode.h"

#include <windows.h>

#include <exception>
#include <optional>
#include <string>
#include <utility>

#include "app/command_line/command_line.h"
#include "app/reports/detection_report.h"
#include "app/options/driver_options.h"
#include "app/command_line/program_run.h"
#include "app/command_line/record_ownership.h"
#include "app/command_line/record_recovery.h"
#include "app/reports/registry_error_report.h"
#include "app/command_line/restore_record.h"
#include "app/options/value_states.h"

using Quarnell::CRegistryKey;

namespace {

const char kReadFailure[] = "The driver's options could not be read.";
const char kWriteFailure[] = "The options could not be written. None of them was changed.";
const char kRunWriteFailure[] =
    "The options could not be written for the program. None of them was changed,\n"
    "and the program was not started.";
const char kPutBackFailure[] =
    "The options could not be put back after the program ended. They stay recorded\n"
    "and are put back when Corvane starts next.";
const char kNotStarted[] = "The program could not be started. No option was left changed.";
const char kRunWaiting[] =
    "Another Corvane is still waiting for a program it started with /run, and\n"
    "will put its options back when that program ends. Nothing was changed:\n"
    "start this one again once that program has ended.";

class CommandRun {
public:
    CommandRun(const CommandRequest& request, int showCommand)
        : m_request(request), m_quiet(request.quiet), m_showCommand(showCommand)
    {
    }

    int Execute()
    {
        int settled = SettleLeftRecord();
        if (settled != COMMAND_EXIT_DONE)
            return settled;
        int detected = DetectDriver();
        if (detected != COMMAND_EXIT_DONE)
            return detected;
        ValueStates wanted = WantedStates();
        if (!m_request.run) {
            bool written = RunReportingFailure(
                nullptr, kWriteFailure, [&] { StoreValueStates(OpenDriverKey(), wanted); }, m_quiet);
            return written ? COMMAND_EXIT_DONE : COMMAND_EXIT_REGISTRY_FAILURE;
        }
        return RunProgram(std::move(wanted));
    }

private:
    void ShowError(const char* text) const
    {
        if (!m_quiet)
            MessageBoxA(nullptr, text, "Error", MB_OK | MB_ICONHAND);
    }

    // Puts back what a dead Corvane's /run left, unless a /run still waits
    // for its program; a /run keeps the claim for its own program.
    int SettleLeftRecord()
    {
        switch (::SettleLeftRecord(m_ownership, m_request.run, m_quiet)) {
        case SettleResult::REFUSED:
            return COMMAND_EXIT_REGISTRY_FAILURE;
        case SettleResult::RUN_WAITING:
            if (!m_request.run)
                return COMMAND_EXIT_DONE;
            ShowError(kRunWaiting);
            return COMMAND_EXIT_RUN_WAITING;
        case SettleResult::SETTLED:
            break;
        }
        return COMMAND_EXIT_DONE;
    }

    int DetectDriver() const
    {
        int result = READ_OPTIONS_OK;
        if (!RunReportingFailure(nullptr, kReadFailure, [&] { result = ReadDriverOptions(); }, m_quiet))
            return COMMAND_EXIT_REGISTRY_FAILURE;
        if (result == READ_OPTIONS_OK)
            return COMMAND_EXIT_DONE;
        if (!m_quiet)
            ShowDriverNotDetected(nullptr, result);
        return COMMAND_EXIT_NO_DRIVER;
    }

    ValueStates WantedStates() const
    {
        ValueStates wanted;
        for (int option = 0; option < DRIVER_OPTION_COUNT; ++option) {
            int value = m_request.defaults ? g_driverOptions[option].defaultValue
                                           : m_request.values[option];
            if (value != OPTION_UNKNOWN)
                wanted.push_back(OptionTextState(option, value ? "1" : "0"));
        }
        return wanted;
    }

    void ShowNotStarted(const std::string& program, DWORD error) const
    {
        if (!m_quiet)
            ShowFailure(nullptr, kNotStarted, program.c_str(), Quarnell::FormatErrorMessage(error));
    }

    int RunProgram(ValueStates wanted)
    {
        std::string fullPath;
        DWORD error = ERROR_SUCCESS;
        if (!FindProgram(m_request.program, fullPath, error)) {
            ShowNotStarted(m_request.program, error);
            return COMMAND_EXIT_NOT_STARTED;
        }

        // The record holds what is to be written beside what was there, so
        // that the put-back leaves a value that was changed meanwhile.
        RestoreRecord record;
        record.written = std::move(wanted);
        bool recorded = false;
        bool written = UnderLock(*m_ownership, kRunWriteFailure, m_quiet, [&] {
            CRegistryKey key = OpenDriverKey();
            record.before = CaptureValueStates(key, *record.written);
            // Before the record is written: one written in part must be put
            // back and removed as well.
            recorded = true;
            SaveRestoreRecord(record.before, *record.written);
            StoreValueStates(key, *record.written, record.before);
        });
        if (!written) {
            // A second, checked put-back decides whether the record may go;
            // its failure leaves the record for the next start.
            if (recorded) {
                UnderLock(*m_ownership, kPutBackFailure, m_quiet,
                          [&] { PutBackAndForget(RecordPlace::MACHINE, record); });
            }
            return COMMAND_EXIT_REGISTRY_FAILURE;
        }

        StartedProgram program = StartProgram(fullPath, m_request.programCommandLine, m_showCommand, error);
        DWORD exitCode = 0;
        bool ended = program.process && WaitForProgramExit(program, exitCode);

        // The claim goes with the record, under the lock: a start that comes
        // next finds neither, never a claim without a record. A value changed
        // meanwhile (another user's Corvane, the driver's control panel)
        // keeps that later choice.
        bool putBack = UnderLock(*m_ownership, kPutBackFailure, m_quiet, [&] {
            PutBackAndForget(RecordPlace::MACHINE, record);
            m_ownership->ReleaseRun();
        });
        if (!putBack)
            return COMMAND_EXIT_REGISTRY_FAILURE;
        if (!program.process) {
            ShowNotStarted(fullPath, error);
            return COMMAND_EXIT_NOT_STARTED;
        }
        // Only a broken process handle fails the wait: PROGRAM's code is
        // not known, and the values are back all the same.
        if (!ended)
            return COMMAND_EXIT_REGISTRY_FAILURE;
        return static_cast<int>(exitCode);
    }

    const CommandRequest& m_request;
    const bool m_quiet;
    const int m_showCommand;
    std::optional<RecordOwnership> m_ownership;
};

}  // namespace

int RunCommandLine(const char* commandLine, int showCommand)
{
    CommandRequest request = ParseCommandLine(commandLine);
    if (request.usage) {
        if (!request.quiet)
            MessageBoxA(nullptr, COMMAND_LINE_USAGE, "Corvane", MB_OK | MB_ICONINFORMATION);
        return COMMAND_EXIT_DONE;
    }
    if (!request.error.empty()) {
        if (!request.quiet) {
            std::string text = request.error + "\n\n" + COMMAND_LINE_USAGE;
            MessageBoxA(nullptr, text.c_str(), "Error", MB_OK | MB_ICONHAND);
        }
        return COMMAND_EXIT_BAD_COMMAND_LINE;
    }
    try {
        return CommandRun(request, showCommand).Execute();
    } catch (...) {
        // Only memory can run out outside the reported steps, before any
        // write; nothing was changed.
        if (!request.quiet)
            ShowFailure(nullptr, "Corvane ran out of memory. Nothing was changed.", "memory",
                        "Not enough memory.");
        return COMMAND_EXIT_REGISTRY_FAILURE;
    }
}
