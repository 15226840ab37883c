#include "app/command_line/restore_record.h"

#include "app/options/driver_options.h"

using Quarnell::CRegistryKey;

const char RESTORE_RECORD_PATH[] = "Software\\Corvane\\Restore";

namespace {

const char kCorvaneKey[] = "Corvane";
const char kRecordKey[] = "Corvane\\Restore";  // under Software
const char kAbsentKey[] = "Absent";            // under the record
const char kDamagedWhere[] = "The restore record HKEY_CURRENT_USER\\Software\\Corvane\\Restore";

CRegistryKey OpenSoftware()
{
    return CRegistryKey(HKEY_CURRENT_USER, "Software", KEY_ALL_ACCESS, nullptr);
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
        return parent.OpenKey(subKey, KEY_ALL_ACCESS);
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

}  // namespace

DamagedRestoreRecord::DamagedRestoreRecord(const char* valueName)
    : CRegistryKey::Exception(kDamagedWhere, ERROR_INVALID_DATA), m_valueName(valueName)
{
}

bool RestoreRecordExists()
{
    try {
        return CRegistryKey(HKEY_CURRENT_USER, "Software", KEY_READ, nullptr)
            .SubkeyExists(kRecordKey, KEY_READ);
    } catch (...) {
        return false;
    }
}

void SaveRestoreRecord(const ValueStates& before)
{
    CRegistryKey record = OpenSoftware().CreateOrOpenKey(kRecordKey);
    std::optional<CRegistryKey> absent;
    for (const ValueState& state : before) {
        if (state.content) {
            // The copy carries the option's name: it was read under it.
            record.SetValue(*state.content);
            continue;
        }
        if (!absent)
            absent = record.CreateOrOpenKey(kAbsentKey);
        absent->SetValue(state.name, static_cast<const BYTE*>(nullptr), 0);
    }
    // One flush writes the whole hive, the subkey Absent with it.
    record.FlushKey();
}

ValueStates LoadRestoreRecord()
{
    CRegistryKey record = OpenSoftware().OpenKey(kRecordKey, KEY_ALL_ACCESS);
    std::optional<CRegistryKey> absent = OpenIfPresent(record, kAbsentKey);
    ValueStates states;
    for (int option = 0; option < DRIVER_OPTION_COUNT; ++option) {
        const char* name = g_driverOptions[option].valueName;
        std::optional<CRegistryKey::Value> copy = QueryIfPresent(record, name);
        bool recordedAbsent = absent && QueryIfPresent(*absent, name);
        if (copy && recordedAbsent)
            throw DamagedRestoreRecord(name);
        if (copy)
            states.push_back(ValueState{name, copy});
        else if (recordedAbsent)
            states.push_back(ValueState{name, std::nullopt});
    }
    return states;
}

void RemoveRestoreRecord()
{
    CRegistryKey software = OpenSoftware();
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
