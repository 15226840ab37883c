#pragma once
// The driver's key HKLM\SOFTWARE\ATI TECHNOLOGIES\DRIVER\DDHAL for one test:
// the constructor removes any leftover "ATI TECHNOLOGIES" tree and (unless
// asked not to) creates the DDHAL key empty; the destructor removes the tree.
// Uses the raw API so that it does not depend on the code under test.
#include <windows.h>
#include <map>
#include <ostream>
#include <string>
#include <vector>

struct StoredValue {
    DWORD type;
    std::string bytes;
    bool operator==(const StoredValue& other) const
    {
        return type == other.type && bytes == other.bytes;
    }
};
void PrintTo(const StoredValue& value, std::ostream* out);  // for gtest's messages
using StoredValues = std::map<std::string, StoredValue>;
// A REG_SZ value as stored: the text and its terminating zero.
StoredValue Sz(const char* text);
std::string Describe(const StoredValues& values);
// Every value of the DDHAL key; none when the key is missing.
StoredValues ReadDdhalValues();

// Corvane's own key, and the record a /run keeps under it: the machine's
// under HKEY_LOCAL_MACHINE, and where earlier builds kept it, under
// HKEY_CURRENT_USER.
inline constexpr char kCorvaneKey[] = "SOFTWARE\\Corvane";
inline constexpr char kRecordKey[] = "SOFTWARE\\Corvane\\Restore";
inline constexpr char kUserCorvaneKey[] = "Software\\Corvane";
inline constexpr char kUserRecordKey[] = "Software\\Corvane\\Restore";
bool MachineKeyExists(const char* path);
bool UserKeyExists(const char* path);
// Removes Corvane's keys at both places.
void RemoveCorvaneKeys();

// A record written with the raw API, as a Corvane that died during /run
// leaves it, or as someone else made it: the machine's, or one of an
// earlier build in the user's hive. The constructor and the destructor
// remove Corvane's key at that place.
class LeftRecord {
public:
    enum Place { Machine, EarlierUser };
    explicit LeftRecord(Place place = Machine);
    ~LeftRecord();
    LeftRecord(const LeftRecord&) = delete;
    LeftRecord& operator=(const LeftRecord&) = delete;

    // subKey: under the record ("" for the record itself).
    void SetRaw(const char* subKey, const char* name, DWORD type, const void* data, DWORD size) const;
    // The value as the record copies it, under the option's name.
    void Copy(const char* name, DWORD type, const void* data, DWORD size) const;
    // The option named in the subkey Absent.
    void Absent(const char* name) const;
    // What the /run wrote for the option, in the subkey Written.
    void Written(const char* name, const char* text) const;

private:
    Place m_place;
};

// HKLM\SOFTWARE and the driver's three keys as Windows 2000 and XP grant them
// to an account that is not the administrator, until the object goes: an
// entry denying Everyone some rights ahead of one allowing the rest. The
// keys must exist. Each key's security is put back through the handle that
// changed it, which keeps the rights it was opened with.
class AccountRights {
public:
    enum Account {
        // May read and write values and make and delete keys, but not change
        // their security: WRITE_DAC, WRITE_OWNER and KEY_CREATE_LINK are
        // denied, so an open asking for KEY_ALL_ACCESS fails. (Wine, like
        // Windows, grants an owner the standard rights whatever the DACL
        // says; KEY_CREATE_LINK is what makes the denial bite.)
        PowerUser,
        // May only read.
        LimitedUser,
    };
    explicit AccountRights(Account account);
    ~AccountRights();
    AccountRights(const AccountRights&) = delete;
    AccountRights& operator=(const AccountRights&) = delete;

    // Whether every key refuses what the account lacks: an open asking for
    // KEY_ALL_ACCESS (a Power User) or KEY_SET_VALUE (a limited user) fails.
    bool Applied() const { return m_applied; }

private:
    struct Changed {
        HKEY key;
        std::vector<BYTE> descriptor;  // as it was, self-relative
    };
    std::vector<Changed> m_changed;
    bool m_applied = false;
};

class DdhalKey {
public:
    enum Creation { CreateEmpty, CreateNothing };
    explicit DdhalKey(Creation creation = CreateEmpty);
    ~DdhalKey();
    DdhalKey(const DdhalKey&) = delete;
    DdhalKey& operator=(const DdhalKey&) = delete;

    static const char kAtiPath[];    // "SOFTWARE\ATI TECHNOLOGIES"
    static const char kDdhalPath[];  // "SOFTWARE\ATI TECHNOLOGIES\DRIVER\DDHAL"

    // Creates a key (relative to HKLM) if missing; false on failure.
    static bool CreatePath(const char* path);
    static bool Exists(const char* path);
    // Removes the whole "ATI TECHNOLOGIES" tree.
    static void RemoveAll();

    void SetRaw(const char* name, DWORD type, const void* data, DWORD size) const;
    void SetString(const char* name, const char* text) const;
    void SetDword(const char* name, DWORD value) const;
    // AntiAlias, DitherInit, EnableKatmai, Palette (and Break unless null).
    void SetOptions(const char* antiAlias, const char* ditherInit, const char* enableKatmai,
                    const char* palette, const char* breakText) const;
    StoredValues ReadAll() const;

    // Adds an entry denying rights to Everyone, so that opening the key
    // (relative to HKLM) asking for any of them fails with access denied.
    bool DenyRights(const char* path, DWORD rights) const;
};
