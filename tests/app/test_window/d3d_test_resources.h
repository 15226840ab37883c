#pragma once
// What a process holds, counted in ways that work under Wine as on Windows:
// GetProcessHandleCount reads 0 and GetGuiResources fails under Wine, so
// handles come from the system's handle list and GDI objects from the shared
// GDI handle table.
#include <windows.h>

#include <string>

struct ProcessResources {
    long handles;     // kernel handles of this process; -1 when unknown
    long gdiObjects;  // GDI objects of this process; -1 when unknown
    SIZE_T pagefileBytes;  // committed private memory

    std::string Describe() const;
};

ProcessResources CurrentProcessResources();
