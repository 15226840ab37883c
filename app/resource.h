// Identifiers shared by corvane.rc and the code. Kept free of anything but
// #define lines so that the resource compiler can read it.
#ifndef CORVANE_APP_RESOURCE_H
#define CORVANE_APP_RESOURCE_H

#define IDD_CONFIG          10000

#define IDC_ANTIALIAS       200
#define IDC_DITHERINIT      201
#define IDC_ENABLEKATMAI    202
#define IDC_PALETTE         203
#define IDC_BREAK           204

#define IDC_HELP_ANTIALIAS     300
#define IDC_HELP_DITHERINIT    301
#define IDC_HELP_ENABLEKATMAI  302
#define IDC_HELP_PALETTE       303
#define IDC_HELP_BREAK         304

#define IDC_RESTORE_DEFAULTS 400
#define IDC_ABOUT            401
#define IDC_TEST_TRIANGLE    500

#define IDC_STATIC_TEXT      (-1)

#endif
