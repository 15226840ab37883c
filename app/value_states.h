#pragma once
// The state of driver option values in the DDHAL key, and changing a set of
// them all or nothing: the dialog's save, the command line's writes, and
// putting values back after a program has run all go through here.
#include <windows.h>

#include <optional>
#include <vector>

#include "registry/registry_key.h"

struct ValueState {
    int option;  // index into g_driverOptions: the value's name
    // Type and bytes exactly as stored; empty when the value does not exist.
    std::optional<Quarnell::CRegistryKey::Value> content;
};
using ValueStates = std::vector<ValueState>;

// The option's value as the dialog's save stores it: the text as REG_SZ.
ValueState OptionTextState(int option, const char* text);

// The DDHAL key opened with full access; raises when it cannot be.
Quarnell::CRegistryKey OpenDriverKey();

// What the key holds now for each option of states, in the same order.
ValueStates CaptureValueStates(const Quarnell::CRegistryKey& key, const ValueStates& states);

// Stores wanted in order. When one store fails, every value already stored
// (and the failing one) is put back as before describes it, and the failure
// is raised again: the set lands whole or not at all, unless putting back
// fails as well. before must hold the same options as wanted, in order.
void StoreValueStates(const Quarnell::CRegistryKey& key, const ValueStates& wanted,
                      const ValueStates& before);
// The same, with before captured first.
void StoreValueStates(const Quarnell::CRegistryKey& key, const ValueStates& wanted);
