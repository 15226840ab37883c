#pragma once
// The driver's key HKLM\SOFTWARE\ATI TECHNOLOGIES\DRIVER\DDHAL for one test:
// the constructor removes any leftover "ATI TECHNOLOGIES" tree and (unless
// asked not to) creates the DDHAL key empty; the destructor removes the tree.
// Uses the raw API so that it does not depend on the code under test.
#include <windows.h>
#include <map>
#include <ostream>
#include <string>

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

// Corvane's own key under HKEY_CURRENT_USER, and the record a /run keeps there.
inline constexpr char kCorvaneKey[] = "Software\\Corvane";
inline constexpr char kRecordKey[] = "Software\\Corvane\\Restore";
bool UserKeyExists(const char* path);

// A record under HKCU\Software\Corvane\Restore written with the raw API, as
// a Corvane that died during /run leaves it, or as someone else made it. The
// constructor and the destructor remove Software\Corvane.
class LeftRecord {
public:
    LeftRecord();
    ~LeftRecord();
    LeftRecord(const LeftRecord&) = delete;
    LeftRecord& operator=(const LeftRecord&) = delete;

    void SetRaw(const char* subKey, const char* name, DWORD type, const void* data, DWORD size) const;
    // The value as the record copies it, under the option's name.
    void Copy(const char* name, DWORD type, const void* data, DWORD size) const;
    // The option named in the subkey Absent.
    void Absent(const char* name) const;
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

    // Adds an entry denying KEY_CREATE_LINK to everyone, so that opening the
    // key with KEY_ALL_ACCESS fails with access denied while reads work.
    bool DenyFullAccess(const char* path) const;
};
