#include "app/command_line/record_recovery.h"

#include <cstdio>
#include <exception>
#include <optional>

#include "app/options/driver_options.h"
#include "app/reports/registry_error_report.h"
#include "app/command_line/restore_record.h"

using Quarnell::CRegistryKey;

const char LEFT_RECORD_FAILURE[] =
    "The driver options that an earlier Corvane changed for a program could not be\n"
    "put back, or their record could not be removed. The record stays under\n"
    "HKEY_CURRENT_USER\\Software\\Corvane\\Restore, and Corvane tries again when it\n"
    "starts next.";

namespace {

const char kOwnershipFailure[] = "Corvane could not tell whether another Corvane is running a program.";
const char kDiscardFailure[] =
    "The damaged record under HKEY_CURRENT_USER\\Software\\Corvane\\Restore could not\n"
    "be removed.";

// A gone key is one the system does not find; a key that refuses to open
// is still there, and its values must still be put back.
bool DriverKeyIsGone()
{
    try {
        CRegistryKey(HKEY_LOCAL_MACHINE, DDHAL_KEY_PATH, KEY_READ, nullptr);
        return false;
    } catch (const CRegistryKey::Exception& failure) {
        if (failure.GetError() != ERROR_FILE_NOT_FOUND)
            throw;
        return true;
    }
}

// The boxes that say what became of a left record (caption "Corvane"), in
// fixed buffers: the values are back already, and telling so must not fail
// for want of memory.
void ShowOutcome(const LeftRecordOutcome& outcome) noexcept
{
    char text[512];
    if (outcome.driverGone) {
        std::snprintf(text, sizeof text,
                      "A Corvane that ran a program with /run ended before the program did.\n"
                      "The driver's key HKEY_LOCAL_MACHINE\\%s is gone,\n"
                      "so there was nothing to put back, and its record was removed.",
                      DDHAL_KEY_PATH);
    } else if (!outcome.putBack.empty()) {
        std::snprintf(text, sizeof text,
                      "A Corvane that ran a program with /run ended before the program did.\n"
                      "The driver options it had changed were put back as they were:\n\n%s",
                      outcome.putBack.c_str());
    } else {
        return;
    }
    MessageBoxA(nullptr, text, "Corvane", MB_OK | MB_ICONINFORMATION);
}

bool AskToDiscard(const DamagedRestoreRecord& damage) noexcept
{
    char text[768];
    std::snprintf(text, sizeof text,
                  "A Corvane that ran a program with /run ended before the program did, and\n"
                  "its record of the driver options to put back is damaged: the option %s is\n"
                  "recorded both with its earlier value and as a value that did not exist.\n\n"
                  "It cannot be put back. Discard the record? The driver options then stay as\n"
                  "they are now.\n\n"
                  "No ends Corvane and keeps the record under\n"
                  "HKEY_CURRENT_USER\\Software\\Corvane\\Restore.",
                  damage.ValueName());
    return MessageBoxA(nullptr, text, "Corvane", MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2) == IDYES;
}

}  // namespace

void PutBackAndForget(const ValueStates& before)
{
    CRegistryKey key = OpenDriverKey();
    StoreValueStates(key, before);
    // The record lives in another hive: the values must be on the disk
    // before it goes, or a power cut could lose both.
    key.FlushKey();
    RemoveRestoreRecord();
}

LeftRecordOutcome PutBackLeftRecord()
{
    LeftRecordOutcome outcome;
    if (!RestoreRecordExists())
        return outcome;
    if (DriverKeyIsGone()) {
        RemoveRestoreRecord();
        outcome.driverGone = true;
        return outcome;
    }
    ValueStates recorded = LoadRestoreRecord();
    // Named before anything changes: from here on only the registry may fail.
    for (const ValueState& state : recorded)
        outcome.putBack += (outcome.putBack.empty() ? "" : ", ") + std::string(state.name);
    PutBackAndForget(recorded);
    return outcome;
}

SettleResult SettleLeftRecord(std::optional<RecordOwnership>& lockedOwnership, bool keepClaim, bool quiet) noexcept
{
    try {
        lockedOwnership.emplace();
    } catch (...) {
        ReportFailure(nullptr, kOwnershipFailure, std::current_exception(), quiet);
        return SettleResult::REFUSED;
    }
    RecordOwnership& ownership = *lockedOwnership;
    LeftRecordOutcome outcome;
    bool runWaiting = false;
    const char* situation = kOwnershipFailure;
    std::exception_ptr failure;
    std::optional<DamagedRestoreRecord> damage;
    try {
        runWaiting = !ownership.ClaimRun();
        situation = LEFT_RECORD_FAILURE;
        if (!runWaiting)
            outcome = PutBackLeftRecord();
    } catch (const DamagedRestoreRecord& damaged) {
        damage = damaged;
    } catch (...) {
        failure = std::current_exception();
    }
    ownership.ReleaseLock();
    bool settled = !failure;
    ReportFailure(nullptr, situation, failure, quiet);
    if (damage) {
        // The claim is held while the user reads the box, so no other
        // Corvane changes the record meanwhile.
        settled = !quiet && AskToDiscard(*damage) &&
                  UnderLock(ownership, kDiscardFailure, quiet, [] { RemoveRestoreRecord(); });
    }
    if (settled && !quiet)
        ShowOutcome(outcome);
    if (!settled || !keepClaim)
        ownership.ReleaseRun();
    if (!settled)
        return SettleResult::REFUSED;
    return runWaiting ? SettleResult::RUN_WAITING : SettleResult::SETTLED;
}

bool PutBackLeftValuesAtStart(bool quiet)
{
    if (!RestoreRecordExists())
        return true;
    std::optional<RecordOwnership> ownership;
    return SettleLeftRecord(ownership, false, quiet) != SettleResult::REFUSED;
}
