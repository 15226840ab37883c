#include "app/options/value_states.h"

#include <cstring>

using Quarnell::CRegistryKey;

namespace {

void Store(const CRegistryKey& key, const ValueState& state)
{
    if (state.content) {
        key.SetValue(*state.content);
        return;
    }
    try {
        key.DeleteValue(state.name);
    } catch (const CRegistryKey::Exception& failure) {
        if (failure.GetError() != ERROR_FILE_NOT_FOUND)
            throw;
    }
}

// Best effort: a value that cannot be put back must not keep the others
// from it, and the failure that made us put back is the one to report.
void PutBack(const CRegistryKey& key, const ValueStates& before, size_t count) noexcept
{
    for (size_t i = 0; i < count && i < before.size(); ++i) {
        try {
            Store(key, before[i]);
        } catch (...) {
        }
    }
}

}  // namespace

bool SameState(const ValueState& a, const ValueState& b)
{
    if (!a.content || !b.content)
        return !a.content && !b.content;
    const CRegistryKey::Value& x = *a.content;
    const CRegistryKey::Value& y = *b.content;
    return x.GetType() == y.GetType() && x.GetLength() == y.GetLength() &&
           (x.GetLength() == 0 || std::memcmp(x.GetData(), y.GetData(), x.GetLength()) == 0);
}

ValueStates CaptureValueStates(const CRegistryKey& key, const ValueStates& states)
{
    ValueStates captured;
    captured.reserve(states.size());
    for (const ValueState& state : states) {
        try {
            captured.push_back(ValueState{state.name, key.QueryValue(state.name)});
        } catch (const CRegistryKey::Exception& failure) {
            if (failure.GetError() != ERROR_FILE_NOT_FOUND)
                throw;
            captured.push_back(ValueState{state.name, std::nullopt});
        }
    }
    return captured;
}

void StoreValueStates(const CRegistryKey& key, const ValueStates& wanted, const ValueStates& before)
{
    size_t stored = 0;
    try {
        for (; stored < wanted.size(); ++stored)
            Store(key, wanted[stored]);
    } catch (...) {
        // The failing store may have changed its value before it failed.
        PutBack(key, before, stored + 1);
        throw;
    }
}

void StoreValueStates(const CRegistryKey& key, const ValueStates& wanted)
{
    StoreValueStates(key, wanted, CaptureValueStates(key, wanted));
}
