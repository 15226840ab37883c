#include "app/dialog/config_dialog.h"

#include <windowsx.h>

#include "app/app_state.h"
#include "app/dialog/option_boxes.h"
#include "app/test_window/d3d_test.h"
#include "app/reports/detection_report.h"
#include "app/options/driver_options.h"
#include "app/reports/registry_error_report.h"
#include "app/resource.h"

namespace {

const char kAboutText[] =
    "This little utility was made by: the Corvane project\n"
    "2/26/2000\n"
    "Bug reports, etc can goto: corvane@example.org\n"
    "Web home: http://www.example.org/corvane/\n"
    "\n"
    "Read the included README.TXT file before using!";

bool AskYes(HWND dialog, const char* text, const char* caption = "Choice")
{
    return MessageBoxA(dialog, text, caption, MB_YESNO) == IDYES;
}

// Stores the check boxes into the options and writes them. On a registry
// failure the user is told why and false is returned; the check boxes are
// left as the user set them, so the save can be retried.
bool SaveDialogOptions(HWND dialog)
{
    return RunReportingFailure(dialog,
                               "The options could not be saved. Your choices are kept:\n"
                               "try again, or Cancel to leave them unsaved.",
                               [&] {
                                   DialogToOptions(dialog);
                                   WriteDriverOptions();
                               });
}

// The test button: offers to save, runs the test, and returns when it is over.
void TestCommand(HWND dialog)
{
    // A failed save has told the user so; the test still shows the driver
    // with what the registry holds.
    if (AskYes(dialog, "Save changes before proceeding?", "Save changes?"))
        SaveDialogOptions(dialog);
    if (RunDirect3DTest(ProgramInstance(), ProgramShowCommand()) != 0) {
        MessageBoxA(dialog,
                    "Couldn't init Direct3D in a window.\n"
                    "Make sure you have the latest display drivers!",
                    "D3D Error", MB_OK);
    }
}

BOOL OnInitDialog(HWND dialog, HWND /*focus*/, LPARAM /*param*/)
{
    int result = READ_OPTIONS_OK;
    bool read = RunReportingFailure(dialog, "The driver's options could not be read.",
                                    [&] { result = ReadDriverOptions(); });
    if (!read) {
        EndDialog(dialog, 1);
        return TRUE;
    }
    if (result == READ_OPTIONS_OK) {
        OptionsToDialog(dialog);
        return TRUE;
    }
    ShowDriverNotDetected(dialog, result);
    EndDialog(dialog, 1);
    return TRUE;
}

void OnHelpButton(HWND dialog, int helpButtonId)
{
    const DriverOption* option = FindOptionByHelpButton(helpButtonId);
    if (option)
        MessageBoxA(dialog, option->helpText, option->helpCaption, MB_OK);
}

void OnRestoreDefaults(HWND dialog)
{
    if (!AskYes(dialog, "Restore defualts? (Generalization)"))
        return;
    RestoreDefaultOptions();
    OptionsToDialog(dialog);
}

void OnOk(HWND dialog)
{
    if (AskYes(dialog, "Save changes?") && !SaveDialogOptions(dialog))
        return;  // stays open so the user can retry or cancel
    EndDialog(dialog, 1);
}

void OnCancel(HWND dialog)
{
    MessageBoxA(dialog, "Aborted", "Bye", MB_OK);
    EndDialog(dialog, 1);
}

// Commands are matched on the whole wParam: identifier with notification 0.
bool OnCommand(HWND dialog, WPARAM command)
{
    switch (command) {
    case IDC_HELP_ANTIALIAS:
    case IDC_HELP_DITHERINIT:
    case IDC_HELP_ENABLEKATMAI:
    case IDC_HELP_PALETTE:
    case IDC_HELP_BREAK:
        OnHelpButton(dialog, static_cast<int>(command));
        return true;
    case IDC_ABOUT:
        MessageBoxA(dialog, kAboutText, "About", MB_OK);
        return true;
    case IDC_RESTORE_DEFAULTS:
        OnRestoreDefaults(dialog);
        return true;
    case IDC_TEST_TRIANGLE:
        TestCommand(dialog);
        return true;
    case IDOK:
        OnOk(dialog);
        return true;
    case IDCANCEL:
        OnCancel(dialog);
        return true;
    default:
        return false;
    }
}

}  // namespace

INT_PTR CALLBACK ConfigDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return HANDLE_WM_INITDIALOG(dialog, wParam, lParam, OnInitDialog);
    case WM_COMMAND:
        return OnCommand(dialog, wParam) ? TRUE : FALSE;
    default:
        return FALSE;
    }
}
