#pragma once
#include <windows.h>

// Handler of the dialog's test button; returns when the test is over.
void TestCommand(HWND dialog);
