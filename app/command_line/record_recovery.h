#pragma once
// Putting back what a /run changed: after its program, after a failed start,
// and at any later start when the Corvane that ran it died first.
#include <exception>
#include <optional>
#include <string>

#include "app/command_line/record_ownership.h"
#include "app/reports/registry_error_report.h"
#include "app/options/value_states.h"

// The situation of the error box when a left record cannot be put back.
extern const char LEFT_RECORD_FAILURE[];

// Stores before into the DDHAL key all or nothing, flushes the key to the
// disk, then removes the record; raises on failure, leaving the record for
// the next start.
void PutBackAndForget(const ValueStates& before);

// What became of a record that a dead Corvane left.
struct LeftRecordOutcome {
    // The names of the values put back, joined by ", ": empty when there was
    // no record or nothing in it.
    std::string putBack;
    // The DDHAL key is gone (the driver was removed): nothing was put back,
    // and the record was removed.
    bool driverGone = false;
};

// With the record lock and the run claim held: puts back what a record left
// by a dead Corvane holds and removes it. Raises DamagedRestoreRecord for a
// record that cannot be put back as it stands, and the registry's failures;
// either way the record stays as it was.
LeftRecordOutcome PutBackLeftRecord();

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
// back a record left by a dead Corvane unless a /run still waits for its
// program, and says what became of it (nothing when quiet). A damaged record
// is shown in a box that asks whether to discard it; quiet keeps it. The
// lock is let go before any box; the run claim stays with ownership only
// when keepClaim and the result is SETTLED.
SettleResult SettleLeftRecord(std::optional<RecordOwnership>& ownership, bool keepClaim, bool quiet) noexcept;

// Every start that runs no program: SettleLeftRecord when a record is there.
// Costs one registry look when there is none. False when the start must not
// go on: a failure was reported, or a damaged record was kept.
bool PutBackLeftValuesAtStart(bool quiet);
