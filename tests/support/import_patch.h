#pragma once
// Replaces one imported function in this program's own import table for the
// lifetime of the object, so a test can make a system call answer what the
// real system answers only in a race (the library is linked into the test
// program, so its calls go through this table).
#include <windows.h>

class ImportPatch {
public:
    ImportPatch(const char* dllName, const char* functionName, void* replacement);
    ~ImportPatch();
    ImportPatch(const ImportPatch&) = delete;
    ImportPatch& operator=(const ImportPatch&) = delete;

    bool Installed() const { return m_pSlot != nullptr; }
    // The function the table held before, for calling through.
    void* Original() const { return m_original; }

private:
    void** m_pSlot = nullptr;
    void* m_original = nullptr;
};
