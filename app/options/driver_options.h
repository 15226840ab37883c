#pragma once
// The ATI Rage 128 driver's Direct3D options: their table, their current
// values, and moving them between the registry and those values. Knows the
// registry library and nothing of the dialog, the command line or the test
// window, which all use it.
#include <windows.h>

#include "app/options/value_states.h"
#include "registry/registry_key.h"

struct DriverOption {
    const char* valueName;    // name of the string value in the DDHAL key
    const char* label;        // text beside the check box
    int defaultValue;
    bool requiredAtStartup;
    const char* helpCaption;
    const char* helpText;
};

enum { DRIVER_OPTION_COUNT = 5 };
enum { OPTION_UNKNOWN = -1 };
// Room for the decimal text of any int, sign and terminator included.
enum { OPTION_TEXT_SIZE = 12 };

// Results of ReadDriverOptions.
enum {
    READ_OPTIONS_OK = 0,
    READ_OPTIONS_NO_ADAPTER = -1,
    READ_OPTIONS_VALUE_MISSING = -2,
};

extern const char DDHAL_KEY_PATH[];  // under HKEY_LOCAL_MACHINE
extern const DriverOption g_driverOptions[DRIVER_OPTION_COUNT];

// Each option has one current value for the whole run, kept here and changed
// only by the operations below.

// What changing the options takes: reading a value as it was, and writing
// it. No more is asked for, so that every user who may change the values may
// do so: full access holds WRITE_DAC and WRITE_OWNER, which Power Users lack
// under HKEY_LOCAL_MACHINE\SOFTWARE. Reads ask for KEY_READ.
const REGSAM DRIVER_KEY_WRITE_ACCESS = KEY_QUERY_VALUE | KEY_SET_VALUE;

// The DDHAL key opened for changing its values; raises when it cannot be.
Quarnell::CRegistryKey OpenDriverKey();
// The option's value as the dialog's save stores it: the text as REG_SZ.
ValueState OptionTextState(int option, const char* text);

// Decides whether the driver is installed and loads the values, asking only
// for reading. Registry failures other than a missing key raise
// Quarnell::CRegistryKey::Exception.
int ReadDriverOptions();
// The value of the option of that name: the text's leading number.
void ParseOptionValue(const char* valueName, const char* text);
// 1 on, 0 off, OPTION_UNKNOWN when the registry did not have it; a value read
// from the registry may be any other number its text gave.
int OptionValue(int index);
// Sets the option's current value, as a check box gives it; an index outside
// the table changes nothing.
void SetOptionValue(int index, int value);
// Clamps the option to 0..1 and writes its decimal text; buffer holds
// OPTION_TEXT_SIZE characters.
void FormatOptionValue(int index, char* buffer);
// Writes all five options as "0"/"1" strings, all or nothing: when one write
// fails, the values already written are put back before the failure is
// raised.
void WriteDriverOptions();
void RestoreDefaultOptions();
