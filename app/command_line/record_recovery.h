#pragma once
// Putting back what a /run changed: after its program, after a failed start,
// and at any later start when the Corvane that ran it died first.
#include <exception>
#include <optional>
#include <string>

#include "app/command_line/record_ownership.h"
#include "app/command_line/restore_record.h"
#include "app/options/value_states.h"
#include "app/reports/registry_error_report.h"

// The situation of the error box when a left record cannot be put back.
extern const char LEFT_RECORD_FAILURE[];

// What putting back a record did, each list of value names joined by ", ".
struct PutBackOutcome {
    std::string putBack;      // the values that are as they were before the /run again
    std::string keptChanged;  // changed since the /run wrote them: left as they are now
};

// Stores into the DDHAL key, all or nothing, what record holds for each value
// that still holds exactly what the /run wrote (each value, for a record of
// an earlier build, which does not say), flushes the key to the disk, then
// removes the record at place; raises on failure, leaving the record for the
// next start.
PutBackOutcome PutBackAndForget(RecordPlace place, const RestoreRecord& record);

// What became of the records that a dead Corvane left.
struct LeftRecordOutcome {
    PutBackOutcome values;
    // The DDHAL key is gone (the driver was removed): nothing was put back,
    // and the records were removed.
    bool driverGone = false;
};

// With the record lock and the run claim held: puts back what each record
// left by a dead Corvane holds, the machine's first, and removes it; adds
// what it did to outcome. Raises DamagedRestoreRecord for a record that
// cannot be put back as it stands, and the registry's failures; either way
// that record stays as it was.
void PutBackLeftRecords(LeftRecordOutcome& outcome);

enum class SettleResult {
    SETTLED,      // no record left, or it was put back, put aside or discarded
    RUN_WAITING,  // another Corvane's /run still waits: its record is left to it
    REFUSED,      // a failure was reported, or a damaged record was kept
};

// Runs action with the record lock held, then lets the lock go and shows the
// error box for what action threw (nothing when quiet): no other start then
// waits on a box. True when action did not throw.
template <class Action>
bool UnderLock(RecordOwnership& ownership, const char* situation, bool quiet, Action&& action) noexcept
{
    std::exception_ptr failure;
    try {
        ownership.Lock();
        action();
    } catch (...) {
        failure = std::current_exception();
    }
    ownership.ReleaseLock();
    ReportFailure(nullptr, situation, failure, quiet);
    return !failure;
}

// What every start does first: takes the record lock into ownership, puts
// back the records left by a dead Corvane unless a /run still waits for its
// program, and says what became of them (nothing when quiet). A damaged
// record is shown in a box that asks whether to discard it; quiet keeps it.
// The lock is let go before any box; the run claim stays with ownership only
// when keepClaim and the result is SETTLED.
SettleResult SettleLeftRecord(std::optional<RecordOwnership>& ownership, bool keepClaim, bool quiet) noexcept;

// Every start that runs no program: SettleLeftRecord when a record is there.
// Costs a registry look per place when there is none. False when the start must not
// go on: a failure was reported, or a damaged record was kept.
bool PutBackLeftValuesAtStart(bool quiet);
