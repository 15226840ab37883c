#pragma once
// Putting back what a /run changed: after its program, after a failed start,
// and at any later start when the Corvane that ran it died first.
#include <string>

#include "app/value_states.h"

// The situation of the error box when a left record cannot be put back.
extern const char LEFT_RECORD_FAILURE[];

// Stores before into the DDHAL key all or nothing, then removes the record;
// raises on failure, leaving the record for the next start.
void PutBackAndForget(const ValueStates& before);

// With the record lock and the run claim held: puts back what a record left
// by a dead Corvane holds and removes it. Returns the names of the values put
// back, joined by ", " (empty when there was no record or nothing in it).
// Raises on failure, leaving the record as it was.
std::string PutBackLeftRecord();

// The box that says what was put back (caption "Corvane").
void ShowPutBackNotice(const std::string& names) noexcept;

// Every start that runs no program: puts back a record left by a dead
// Corvane, and says so unless quiet. A record whose /run still waits is left
// to it. Costs one registry look when there is no record. False when a
// failure was reported (shown unless quiet): nothing was changed then.
bool PutBackLeftValuesAtStart(bool quiet);
