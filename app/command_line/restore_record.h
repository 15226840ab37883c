#pragma once
// The record of what a /run is about to change, kept under
// HKEY_CURRENT_USER\Software\Corvane\Restore so that a later start can put
// the values back when the Corvane that wrote it died before its program
// ended. Each value that existed is copied into the record under its own
// name with its type and bytes; each that did not exist is named by an empty
// value in the record's subkey "Absent".
#include "app/options/value_states.h"

extern const char RESTORE_RECORD_PATH[];  // under HKEY_CURRENT_USER

// A record that cannot be put back as it stands: an option recorded both as
// a copy and as absent. Raised as the CRegistryKey::Exception of the record
// (ERROR_INVALID_DATA), naming the option.
class DamagedRestoreRecord : public Quarnell::CRegistryKey::Exception {
public:
    explicit DamagedRestoreRecord(const char* valueName);
    // The option's value name, from the option table.
    const char* ValueName() const { return m_valueName; }

private:
    const char* m_valueName;
};

// Never raises: a record that cannot even be looked at is not there for us.
bool RestoreRecordExists();
// Writes the record of before and flushes it to the disk; raises on failure.
void SaveRestoreRecord(const ValueStates& before);
// The recorded states in table order; values named for no option are
// ignored. Raises DamagedRestoreRecord for an option recorded both as a copy
// and as absent.
ValueStates LoadRestoreRecord();
// Removes the record, and Software\Corvane when nothing else is in it.
void RemoveRestoreRecord();
