#include "app/dialog/option_boxes.h"

#include "app/resource.h"

const OptionBox g_optionBoxes[DRIVER_OPTION_COUNT] = {
    {IDC_ANTIALIAS, IDC_HELP_ANTIALIAS},
    {IDC_BREAK, IDC_HELP_BREAK},
    {IDC_DITHERINIT, IDC_HELP_DITHERINIT},
    {IDC_ENABLEKATMAI, IDC_HELP_ENABLEKATMAI},
    {IDC_PALETTE, IDC_HELP_PALETTE},
};

namespace {

// The check boxes are filled in their own order, not the table's.
const int kDialogOrder[DRIVER_OPTION_COUNT] = {0, 2, 3, 4, 1};

}  // namespace

void OptionsToDialog(HWND dialog)
{
    // Any positive number shows as on and anything else as off, which is
    // also what a save of the unchanged box stores after clamping.
    for (int index : kDialogOrder) {
        UINT state = OptionValue(index) > 0 ? BST_CHECKED : BST_UNCHECKED;
        CheckDlgButton(dialog, g_optionBoxes[index].checkBoxId, state);
    }
}

void DialogToOptions(HWND dialog)
{
    for (int index = 0; index < DRIVER_OPTION_COUNT; ++index) {
        UINT state = IsDlgButtonChecked(dialog, g_optionBoxes[index].checkBoxId);
        SetOptionValue(index, state == BST_CHECKED ? 1 : 0);
    }
}

const DriverOption* FindOptionByHelpButton(int helpButtonId)
{
    for (int index = 0; index < DRIVER_OPTION_COUNT; ++index) {
        if (g_optionBoxes[index].helpButtonId == helpButtonId)
            return &g_driverOptions[index];
    }
    return nullptr;
}
