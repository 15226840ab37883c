#pragma once
// The state of named values in a key, and changing a set of them all or
// nothing: the dialog's save, the command line's writes, and putting values
// back after a program has run all go through here.
#include <windows.h>

#include <optional>
#include <vector>

#include "registry/registry_key.h"

struct ValueState {
    const char* name;  // the value's name; text that outlives the state, such as an option table's
    // Type and bytes exactly as stored; empty when the value does not exist.
    std::optional<Quarnell::CRegistryKey::Value> content;
};
using ValueStates = std::vector<ValueState>;

// Whether both hold exactly the same: both no value, or the same type and
// bytes. The names are not compared.
bool SameState(const ValueState& a, const ValueState& b);

// What the key holds now for each value named in states, in the same order.
ValueStates CaptureValueStates(const Quarnell::CRegistryKey& key, const ValueStates& states);

// Stores wanted in order. When one store fails, every value already stored
// (and the failing one) is put back as before describes it, and the failure
// is raised again: the set lands whole or not at all, unless putting back
// fails as well. before must name the same values as wanted, in order.
void StoreValueStates(const Quarnell::CRegistryKey& key, const ValueStates& wanted,
                      const ValueStates& before);
// The same, with before captured first.
void StoreValueStates(const Quarnell::CRegistryKey& key, const ValueStates& wanted);
