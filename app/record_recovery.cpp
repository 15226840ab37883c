#include "app/record_recovery.h"

#include <cstdio>
#include <exception>
#include <optional>

#include "app/driver_options.h"
#include "app/record_ownership.h"
#include "app/registry_error_report.h"
#include "app/restore_record.h"

const char LEFT_RECORD_FAILURE[] =
    "The driver options that an earlier Corvane changed for a program could not be\n"
    "put back, or their record could not be removed. The record stays under\n"
    "HKEY_CURRENT_USER\\Software\\Corvane\\Restore, and Corvane tries again when it\n"
    "starts next.";

void PutBackAndForget(const ValueStates& before)
{
    StoreValueStates(OpenDriverKey(), before);
    RemoveRestoreRecord();
}

std::string PutBackLeftRecord()
{
    if (!RestoreRecordExists())
        return std::string();
    ValueStates recorded = LoadRestoreRecord();
    // Named before anything changes: from here on only the registry may fail.
    std::string names;
    for (const ValueState& state : recorded)
        names += (names.empty() ? "" : ", ") + std::string(g_driverOptions[state.option].valueName);
    PutBackAndForget(recorded);
    return names;
}

void ShowPutBackNotice(const std::string& names) noexcept
{
    // A fixed buffer: the values are back already, and telling so must not
    // fail for want of memory.
    char text[512];
    std::snprintf(text, sizeof text,
                  "A Corvane that ran a program with /run ended before the program did.\n"
                  "The driver options it had changed were put back as they were:\n\n%s",
                  names.c_str());
    MessageBoxA(nullptr, text, "Corvane", MB_OK | MB_ICONINFORMATION);
}

bool PutBackLeftValuesAtStart(bool quiet)
{
    if (!RestoreRecordExists())
        return true;
    std::string names;
    std::exception_ptr failure;
    try {
        RecordOwnership ownership;
        if (ownership.ClaimRun())
            names = PutBackLeftRecord();
    } catch (...) {
        failure = std::current_exception();
    }
    // Boxes only once the lock is let go: another start would wait on it.
    if (failure) {
        ReportFailure(nullptr, LEFT_RECORD_FAILURE, failure, quiet);
        return false;
    }
    if (!names.empty() && !quiet)
        ShowPutBackNotice(names);
    return true;
}
