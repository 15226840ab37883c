#include "tests/support/import_patch.h"

#include <cstring>

namespace {
bool WriteSlot(void** pSlot, void* value)
{
    DWORD oldProtection = 0;
    if (!VirtualProtect(pSlot, sizeof *pSlot, PAGE_READWRITE, &oldProtection))
        return false;
    *pSlot = value;
    VirtualProtect(pSlot, sizeof *pSlot, oldProtection, &oldProtection);
    return true;
}
}  // namespace

ImportPatch::ImportPatch(const char* dllName, const char* functionName, void* replacement)
{
    auto* base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (directory.VirtualAddress == 0)
        return;
    for (auto* import = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress);
         import->Name != 0; ++import) {
        if (_stricmp(reinterpret_cast<const char*>(base + import->Name), dllName) != 0)
            continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + import->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + import->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char*>(byName->Name), functionName) != 0)
                continue;
            auto* pSlot = reinterpret_cast<void**>(&slots->u1.Function);
            void* original = *pSlot;
            if (!WriteSlot(pSlot, replacement))
                return;
            m_pSlot = pSlot;
            m_original = original;
            return;
        }
    }
}

ImportPatch::~ImportPatch()
{
    if (m_pSlot)
        WriteSlot(m_pSlot, m_original);
}
