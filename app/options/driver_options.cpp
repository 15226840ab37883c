#include "app/options/driver_options.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "registry/registry_key.h"

using Quarnell::CRegistryKey;

const char DDHAL_KEY_PATH[] = "SOFTWARE\\ATI TECHNOLOGIES\\DRIVER\\DDHAL";

// Table order is the order the options are written in.
const DriverOption g_driverOptions[DRIVER_OPTION_COUNT] = {
    {"AntiAlias", "AntiAliasing", 1, true,
     "AntiAliasing",
     "General:\nAntiAliasing smooths out rough edges on the screen\n"
     "\t  Hardware powered: Most likely\n\t  Default: Enabled"},
    {"Break", "Disable VSync", 0, false,
     "Disable VSync",
     "General:\nVertical Sync[hronization] (aka VSync) reduces screen\n"
     "'shearing'. If it is disabled, the amount of updates per second will\n"
     "be increased, but at times, the visual quality may be hindered.\n"
     "\t  Hardware powered: Yes\n\t  Defualt: Disabled"},
    {"DitherInit", "Dithering", 1, true,
     "Dithering",
     "General:\nDithering is used when colors cannot be generated\n"
     "due to color depth limitations. Dithering is usually used in\n"
     "16bpp video modes, and it can sometimes create noticable\n"
     "artifacting.\n\t  Hardware powered: Most likely\n\t  Defualt: Enabled"},
    {"EnableKatmai", "Enable Katmai Support", 0, true,
     "Enable Katmai",
     "General:\nAdds support for Pentium 3 processors, only enable if you have one!\n"
     "\t  Hardware powered: Don't know\n\t  Defualt: Disabled"},
    {"Palette", "Use 8-bit paletted textures", 1, true,
     "Use 8-bit paletted textures",
     "General:\nThis is a Direct3D feature that is required by some\n"
     "games (FF7, FF8). I would recommend that it be turned on.\n"
     "\t  Hardware powered: Definitely!\n\t  Defualt: Disabled"},
};

namespace {

// The current value of each option, in table order, for the whole run: 1 on,
// 0 off, OPTION_UNKNOWN when the registry did not have it, or any other number
// the registry's text gave.
int g_optionValues[DRIVER_OPTION_COUNT];

const char* const kAdapterKeyProbes[] = {
    "ATI TECHNOLOGIES",
    "ATI TECHNOLOGIES\\DRIVER",
    "ATI TECHNOLOGIES\\DRIVER\\DDHAL",
};

}  // namespace

int ReadDriverOptions()
{
    CRegistryKey key(HKEY_LOCAL_MACHINE, "SOFTWARE", KEY_READ, nullptr);
    for (const char* probe : kAdapterKeyProbes) {
        if (key.SubkeyExists(probe, KEY_READ))
            continue;
        // Only a key the system does not find means "not detected"; one
        // that refuses this user even reading raises with the system's reason.
        try {
            static_cast<void>(key.OpenKey(probe, KEY_READ));
        } catch (const CRegistryKey::Exception& failure) {
            if (failure.GetError() == ERROR_FILE_NOT_FOUND)
                return READ_OPTIONS_NO_ADAPTER;
            throw;
        }
    }
    key = CRegistryKey(HKEY_LOCAL_MACHINE, DDHAL_KEY_PATH, KEY_READ, nullptr);

    for (int& value : g_optionValues)
        value = OPTION_UNKNOWN;
    for (CRegistryKey::ValueIterator it = key.BeginValueIteration();
         it != key.EndValueIteration(); ++it)
        ParseOptionValue(it.GetName(), it.AsString());

    for (int i = 0; i < DRIVER_OPTION_COUNT; ++i) {
        if (g_driverOptions[i].requiredAtStartup && g_optionValues[i] == OPTION_UNKNOWN)
            return READ_OPTIONS_VALUE_MISSING;
    }
    return READ_OPTIONS_OK;
}

void ParseOptionValue(const char* valueName, const char* text)
{
    if (valueName == nullptr)
        return;
    for (int i = 0; i < DRIVER_OPTION_COUNT; ++i) {
        if (std::strcmp(valueName, g_driverOptions[i].valueName) != 0)
            continue;
        // Read as atoi does, but a number beyond int's range saturates
        // instead of being undefined.
        long number = text ? std::strtol(text, nullptr, 10) : 0;
        if (number > INT_MAX)
            number = INT_MAX;
        if (number < INT_MIN)
            number = INT_MIN;
        g_optionValues[i] = static_cast<int>(number);
        return;
    }
}

int OptionValue(int index)
{
    return index >= 0 && index < DRIVER_OPTION_COUNT ? g_optionValues[index] : OPTION_UNKNOWN;
}

void SetOptionValue(int index, int value)
{
    if (index >= 0 && index < DRIVER_OPTION_COUNT)
        g_optionValues[index] = value;
}

CRegistryKey OpenDriverKey()
{
    return CRegistryKey(HKEY_LOCAL_MACHINE, DDHAL_KEY_PATH, DRIVER_KEY_WRITE_ACCESS, nullptr);
}

ValueState OptionTextState(int option, const char* text)
{
    const char* name = g_driverOptions[option].valueName;
    return ValueState{name, CRegistryKey::Value(name, text, REG_SZ)};
}

void FormatOptionValue(int index, char* buffer)
{
    if (buffer == nullptr)
        return;
    if (index < 0 || index >= DRIVER_OPTION_COUNT) {
        buffer[0] = '\0';
        return;
    }
    int& value = g_optionValues[index];
    if (value < 0)
        value = 0;
    if (value > 1)
        value = 1;
    std::snprintf(buffer, OPTION_TEXT_SIZE, "%d", value);
}

void WriteDriverOptions()
{
    CRegistryKey key = OpenDriverKey();
    ValueStates wanted;
    wanted.reserve(DRIVER_OPTION_COUNT);
    for (int i = 0; i < DRIVER_OPTION_COUNT; ++i) {
        char text[OPTION_TEXT_SIZE];
        FormatOptionValue(i, text);
        wanted.push_back(OptionTextState(i, text));
    }
    StoreValueStates(key, wanted);
}

void RestoreDefaultOptions()
{
    for (int i = 0; i < DRIVER_OPTION_COUNT; ++i)
        g_optionValues[i] = g_driverOptions[i].defaultValue;
}
