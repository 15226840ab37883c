#include "app/command_line/restore_record.h"

#include "app/options/driver_options.h"

using Quarnell::CRegistryKey;

namespace {

const char kCorvaneKey[] = "Corvane";          // under SOFTWARE (Software for the user)
const char kRecordKey[] = "Corvane\\Restore";  // the same
const char kAbsentKey[] = "Absent";            // under the record
const char kWrittenKey[] = "Written";          // under the record
const char kDamagedWhere[] = "The restore record";

// The record is made and changed only with the rights that takes, as the
// DDHAL key is: whoever may change the options may change their record.
const REGSAM kRecordWriteAccess = KEY_SET_VALUE | KEY_CREATE_SUB_KEY;

// The key the record lives under: the machine's SOFTWARE, or the user's
// Software of an earlier build. Opening a subkey, and deleting one, needs no
// right on it beyond what reading takes.
CRegistryKey OpenSoftware(RecordPlace place, REGSAM access)
{
    return place == RecordPlace::MACHINE ? CRegistryKey(HKEY_LOCAL_MACHINE, "SOFTWARE", access, nullptr)
                                         : CRegistryKey(HKEY_CURRENT_USER, "Software", access, nullptr);
}

bool IsMissing(const CRegistryKey::Exception& failure)
{
    return failure.GetError() == ERROR_FILE_NOT_FOUND;
}

// The value of that name, or nothing when there is none.
std::optional<CRegistryKey::Value> QueryIfPresent(const CRegistryKey& key, const char* name)
{
    try {
        return key.QueryValue(name);
    } catch (const CRegistryKey::Exception& failure) {
        if (!IsMissing(failure))
            throw;
        return std::nullopt;
    }
}

std::optional<CRegistryKey> OpenIfPresent(const CRegistryKey& parent, const char* subKey)
{
    try {
        return parent.OpenKey(subKey, KEY_READ);
    } catch (const CRegistryKey::Exception& failure) {
        if (!IsMissing(failure))
            throw;
        return std::nullopt;
    }
}

bool IsEmpty(const CRegistryKey& key)
{
    return key.BeginSubkeyIteration() == key.EndSubkeyIteration() &&
           key.BeginValueIteration() == key.EndValueIteration();
}

// Copies into the key the states that hold a value, under their own names:
// they were read, or are to be written, under them.
void CopyContents(const CRegistryKey& key, const ValueStates& states)
{
    for (const ValueState& state : states) {
        if (state.content)
            key.SetValue(*state.content);
    }
}

// Names each state that holds no value by an empty value in the record's
// subkey Absent, made when the first is named.
void NameAbsent(const CRegistryKey& record, const ValueStates& states)
{
    // Windows 98 is not known to take a null data pointer, even for no data.
    static const BYTE kNoData = 0;
    std::optional<CRegistryKey> absent;
    for (const ValueState& state : states) {
        if (state.content)
            continue;
        if (!absent)
            absent = record.CreateOrOpenKey(kAbsentKey, nullptr, nullptr, REG_OPTION_NON_VOLATILE,
                                            kRecordWriteAccess);
        absent->SetValue(state.name, &kNoData, 0);
    }
}

}  // namespace

const char* RecordKeyName(RecordPlace place)
{
    return place == RecordPlace::MACHINE ? "HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvane\\Restore"
                                         : "HKEY_CURRENT_USER\\Software\\Corvane\\Restore";
}

DamagedRestoreRecord::DamagedRestoreRecord(RecordPlace place, const char* valueName)
    : CRegistryKey::Exception(kDamagedWhere, ERROR_INVALID_DATA), m_place(place), m_valueName(valueName)
{
}

bool RestoreRecordExists(RecordPlace place)
{
    try {
        return OpenSoftware(place, KEY_READ).SubkeyExists(kRecordKey, KEY_READ);
    } catch (...) {
        return false;
    }
}

void SaveRestoreRecord(const ValueStates& before, const ValueStates& written)
{
    CRegistryKey record = OpenSoftware(RecordPlace::MACHINE, KEY_CREATE_SUB_KEY)
                              .CreateOrOpenKey(kRecordKey, nullptr, nullptr, REG_OPTION_NON_VOLATILE,
                                               kRecordWriteAccess);
    // A value the /run deletes has no copy in Written, and none is needed:
    // what Written does not hold was written as absent.
    CopyContents(record.CreateOrOpenKey(kWrittenKey, nullptr, nullptr, REG_OPTION_NON_VOLATILE,
                                        kRecordWriteAccess),
                 written);
    CopyContents(record, before);
    NameAbsent(record, before);
    // One flush writes the whole hive, the subkeys with it.
    record.FlushKey();
}

RestoreRecord LoadRestoreRecord(RecordPlace place)
{
    CRegistryKey record = OpenSoftware(place, KEY_READ).OpenKey(kRecordKey, KEY_READ);
    std::optional<CRegistryKey> absent = OpenIfPresent(record, kAbsentKey);
    std::optional<CRegistryKey> written = OpenIfPresent(record, kWrittenKey);

    RestoreRecord loaded;
    if (written)
        loaded.written.emplace();
    for (int option = 0; option < DRIVER_OPTION_COUNT; ++option) {
        const char* name = g_driverOptions[option].valueName;
        std::optional<CRegistryKey::Value> copy = QueryIfPresent(record, name);
        bool recordedAbsent = absent && QueryIfPresent(*absent, name);
        if (copy && recordedAbsent)
            throw DamagedRestoreRecord(place, name);
        if (!copy && !recordedAbsent)
            continue;
        loaded.before.push_back(ValueState{name, copy});
        if (written)
            loaded.written->push_back(ValueState{name, QueryIfPresent(*written, name)});
    }
    return loaded;
}

void RemoveRestoreRecord(RecordPlace place)
{
    CRegistryKey software = OpenSoftware(place, KEY_READ);
    try {
        software.DeleteKeyAndSubkeys(kRecordKey);
    } catch (const CRegistryKey::Exception& failure) {
        if (!IsMissing(failure))
            throw;
    }
    std::optional<CRegistryKey> corvane = OpenIfPresent(software, kCorvaneKey);
    if (!corvane || !IsEmpty(*corvane))
        return;
    corvane.reset();  // closed before it is deleted
    software.DeleteKey(kCorvaneKey);
}
