#include "app/command_line/record_recovery.h"

#include <cstdio>
#include <exception>
#include <optional>

#include "app/options/driver_options.h"
#include "app/reports/registry_error_report.h"

using Quarnell::CRegistryKey;

const char LEFT_RECORD_FAILURE[] =
    "The driver options that an earlier Corvane changed for a program could not be\n"
    "put back, or their record could not be removed. The record stays under\n"
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvane\\Restore (or, from an earlier Corvane,\n"
    "HKEY_CURRENT_USER\\Software\\Corvane\\Restore), and Corvane tries again when it\n"
    "starts next.";

namespace {

const char kOwnershipFailure[] = "Corvane could not tell whether another Corvane is running a program.";

void AddName(std::string& names, const char* name)
{
    names += (names.empty() ? "" : ", ") + std::string(name);
}

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

// The boxes that say what became of the left records (caption "Corvane"),
// in fixed buffers: the values are back already, and telling so must not
// fail for want of memory.
void ShowOutcome(const LeftRecordOutcome& outcome) noexcept
{
    char text[768];
    const PutBackOutcome& values = outcome.values;
    if (outcome.driverGone) {
        std::snprintf(text, sizeof text,
                      "A Corvane that ran a program with /run ended before the program did.\n"
                      "The driver's key HKEY_LOCAL_MACHINE\\%s is gone,\n"
                      "so there was nothing to put back, and its record was removed.",
                      DDHAL_KEY_PATH);
    } else if (!values.putBack.empty() || !values.keptChanged.empty()) {
        int length = std::snprintf(text, sizeof text,
                                   "A Corvane that ran a program with /run ended before the program did.\n");
        if (!values.putBack.empty() && length >= 0 && static_cast<size_t>(length) < sizeof text) {
            length += std::snprintf(text + length, sizeof text - length,
                                    "The driver options it had changed were put back as they were:\n\n%s\n",
                                    values.putBack.c_str());
        }
        if (!values.keptChanged.empty() && length >= 0 && static_cast<size_t>(length) < sizeof text) {
            std::snprintf(text + length, sizeof text - length,
                          "%sThese were changed again since, and are kept as they are now:\n\n%s",
                          values.putBack.empty() ? "" : "\n", values.keptChanged.c_str());
        }
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
                  "No ends Corvane and keeps the record under\n%s.",
                  damage.ValueName(), RecordKeyName(damage.Place()));
    return MessageBoxA(nullptr, text, "Corvane", MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2) == IDYES;
}

// Removes the damaged record the user chose to discard, saying so when it
// cannot be.
bool Discard(RecordOwnership& ownership, const DamagedRestoreRecord& damage, bool quiet) noexcept
{
    char situation[256];
    std::snprintf(situation, sizeof situation, "The damaged record under %s could not\nbe removed.",
                  RecordKeyName(damage.Place()));
    return UnderLock(ownership, situation, quiet, [&] { RemoveRestoreRecord(damage.Place()); });
}

}  // namespace

PutBackOutcome PutBackAndForget(RecordPlace place, const RestoreRecord& record)
{
    CRegistryKey key = OpenDriverKey();
    ValueStates now = CaptureValueStates(key, record.before);
    ValueStates putBack;
    ValueStates replaced;  // what the values to put back hold now, in the same order
    PutBackOutcome outcome;
    for (size_t i = 0; i < record.before.size(); ++i) {
        // A value that another program or user changed while the game ran
        // holds a later choice, which the put-back must not undo.
        if (record.written && !SameState(now[i], (*record.written)[i])) {
            AddName(outcome.keptChanged, record.before[i].name);
            continue;
        }
        putBack.push_back(record.before[i]);
        replaced.push_back(now[i]);
        AddName(outcome.putBack, record.before[i].name);
    }
    StoreValueStates(key, putBack, replaced);
    // The record lives in another key: the values must be on the disk
    // before it goes, or a power cut could lose both.
    key.FlushKey();
    RemoveRestoreRecord(place);
    return outcome;
}

void PutBackLeftRecords(LeftRecordOutcome& outcome)
{
    for (RecordPlace place : RECORD_PLACES) {
        if (!RestoreRecordExists(place))
            continue;
        if (DriverKeyIsGone()) {
            RemoveRestoreRecord(place);
            outcome.driverGone = true;
            continue;
        }
        PutBackOutcome values = PutBackAndForget(place, LoadRestoreRecord(place));
        if (!values.putBack.empty())
            AddName(outcome.values.putBack, values.putBack.c_str());
        if (!values.keptChanged.empty())
            AddName(outcome.values.keptChanged, values.keptChanged.c_str());
    }
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
    // The claim is tested and the records put back under one hold of the
    // lock, which the constructor took.
    try {
        runWaiting = !ownership.ClaimRun();
        situation = LEFT_RECORD_FAILURE;
        if (!runWaiting)
            PutBackLeftRecords(outcome);
    } catch (const DamagedRestoreRecord& damaged) {
        damage = damaged;
    } catch (...) {
        failure = std::current_exception();
    }
    ownership.ReleaseLock();
    ReportFailure(nullptr, situation, failure, quiet);
    bool settled = !failure;
    while (settled && damage) {
        // The claim is held while the user reads the box, so no other
        // Corvane changes the record meanwhile. Once it is discarded, the
        // other place's record may still wait.
        settled = !quiet && AskToDiscard(*damage) && Discard(ownership, *damage, quiet);
        damage.reset();
        if (settled) {
            settled = UnderLock(ownership, LEFT_RECORD_FAILURE, quiet, [&] {
                try {
                    PutBackLeftRecords(outcome);
                } catch (const DamagedRestoreRecord& damaged) {
                    damage = damaged;
                }
            });
        }
    }
    // What was put back before a failure is back all the same: say so.
    if (!quiet)
        ShowOutcome(outcome);
    if (!settled || !keepClaim)
        ownership.ReleaseRun();
    if (!settled)
        return SettleResult::REFUSED;
    return runWaiting ? SettleResult::RUN_WAITING : SettleResult::SETTLED;
}

bool PutBackLeftValuesAtStart(bool quiet)
{
    bool anyRecord = false;
    for (RecordPlace place : RECORD_PLACES)
        anyRecord = anyRecord || RestoreRecordExists(place);
    if (!anyRecord)
        return true;
    std::optional<RecordOwnership> ownership;
    return SettleLeftRecord(ownership, false, quiet) != SettleResult::REFUSED;
}
