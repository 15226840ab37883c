#pragma once
// The options in the configuration dialog: each one's check box and "?"
// button, and moving the option store's current values to and from the
// check boxes.
#include <windows.h>

#include "app/options/driver_options.h"

struct OptionBox {
    int checkBoxId;
    int helpButtonId;
};

// The boxes of each option, in the option table's order.
extern const OptionBox g_optionBoxes[DRIVER_OPTION_COUNT];

// Any positive value shows as checked and anything else as cleared.
void OptionsToDialog(HWND dialog);
// Each check box's state becomes its option's value, 1 or 0.
void DialogToOptions(HWND dialog);
// The option whose "?" button has this id, or null.
const DriverOption* FindOptionByHelpButton(int helpButtonId);
