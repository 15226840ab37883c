#pragma once
// How long a test waits for a program to do something. On an emulated CPU
// everything takes several times longer; the test bed says how much through
// CORVANE_WAIT_SCALE, and what a test asserts stays the same.
#include <windows.h>

// timeoutMs stretched by the run's factor (1 where none is set).
DWORD ScaledWait(DWORD timeoutMs);
