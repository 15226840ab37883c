#pragma once
// The record of what a /run is about to change, kept so that a later start
// can put the values back when the Corvane that wrote it died before its
// program ended. It is the machine's, as the DDHAL key is: it lives under
// HKEY_LOCAL_MACHINE\SOFTWARE\Corvane\Restore, and any user who may change
// the options may settle it. Each value that existed is copied into the
// record under its own name with its type and bytes; each that did not exist
// is named by an empty value in the record's subkey "Absent"; what the /run
// wrote in its place is copied into the subkey "Written", so that a value
// changed since is left as it is. Earlier builds kept the record, without
// "Written", under HKEY_CURRENT_USER\Software\Corvane\Restore; such a record
// is still settled, and removed, but nothing is written there.
#include <optional>

#include "app/options/value_states.h"

enum class RecordPlace {
    MACHINE,       // HKEY_LOCAL_MACHINE\SOFTWARE\Corvane\Restore, where records are made
    EARLIER_USER,  // HKEY_CURRENT_USER\Software\Corvane\Restore, of an earlier build
};
// Machine first: the order in which left records are settled.
inline constexpr RecordPlace RECORD_PLACES[] = {RecordPlace::MACHINE, RecordPlace::EARLIER_USER};

// The record's key as regedit shows it, for the user's boxes.
const char* RecordKeyName(RecordPlace place);

// A record that cannot be put back as it stands: an option recorded both as
// a copy and as absent. Raised as the CRegistryKey::Exception of the record
// (ERROR_INVALID_DATA), naming the option and the record.
class DamagedRestoreRecord : public Quarnell::CRegistryKey::Exception {
public:
    DamagedRestoreRecord(RecordPlace place, const char* valueName);
    // The option's value name, from the option table.
    const char* ValueName() const { return m_valueName; }
    RecordPlace Place() const { return m_place; }

private:
    RecordPlace m_place;
    const char* m_valueName;
};

struct RestoreRecord {
    ValueStates before;  // in table order; values named for no option are ignored
    // What the /run wrote, aligned with before. Missing in a record of an
    // earlier build, which is put back whatever the key holds now.
    std::optional<ValueStates> written;
};

// Never raises: a record that cannot even be looked at is not there for us.
bool RestoreRecordExists(RecordPlace place);
// Writes the machine's record of before, and of written (aligned with
// before), and flushes it to the disk; raises on failure. What is to be
// written goes in first: a record cut short holds no earlier value without
// it, and so never puts back over a later choice.
void SaveRestoreRecord(const ValueStates& before, const ValueStates& written);
// Raises DamagedRestoreRecord for an option recorded both as a copy and as
// absent.
RestoreRecord LoadRestoreRecord(RecordPlace place);
// Removes the record, and Corvane's key above it when nothing else is in it.
void RemoveRestoreRecord(RecordPlace place);
