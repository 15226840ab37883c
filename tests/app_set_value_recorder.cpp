#include "tests/app_set_value_recorder.h"

#include <cstdio>
#include <cstring>

namespace {

using SetValueFunction = LONG(WINAPI*)(HKEY, LPCSTR, DWORD, DWORD, const BYTE*, DWORD);

SetValueFunction g_forward = nullptr;
std::vector<SetValueCall> g_calls;

LONG WINAPI RecordingSetValue(HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE* data,
                              DWORD length)
{
    LONG status = g_forward(key, name, reserved, type, data, length);
    g_calls.push_back(SetValueCall{name ? name : "", type, length,
                                   data ? std::string(reinterpret_cast<const char*>(data), length)
                                        : std::string(),
                                   status});
    return status;
}

// The import address slot through which this program calls the function.
void** FindImportSlot(const char* dllName, const char* functionName)
{
    auto* base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& directory =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (directory.VirtualAddress == 0)
        return nullptr;
    auto* imports = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress);
    for (; imports->Name != 0; ++imports) {
        if (_stricmp(reinterpret_cast<char*>(base + imports->Name), dllName) != 0)
            continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imports->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imports->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<char*>(byName->Name), functionName) == 0)
                return reinterpret_cast<void**>(&slots->u1.Function);
        }
    }
    return nullptr;
}

void WriteSlot(void** slot, void* value)
{
    DWORD oldProtection = 0;
    VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &oldProtection);
    *slot = value;
    VirtualProtect(slot, sizeof *slot, oldProtection, &oldProtection);
}

}  // namespace

SetValueRecorder::SetValueRecorder()
{
    g_calls.clear();
    m_slot = FindImportSlot("advapi32.dll", "RegSetValueExA");
    if (!m_slot)
        return;
    m_original = *m_slot;
    g_forward = reinterpret_cast<SetValueFunction>(m_original);
    WriteSlot(m_slot, reinterpret_cast<void*>(&RecordingSetValue));
}

SetValueRecorder::~SetValueRecorder()
{
    if (m_slot)
        WriteSlot(m_slot, m_original);
}

const std::vector<SetValueCall>& SetValueRecorder::Calls() const
{
    return g_calls;
}

std::string SetValueRecorder::Describe() const
{
    std::string text;
    for (const SetValueCall& call : g_calls) {
        char line[128];
        std::snprintf(line, sizeof line, " type %lu length %lu status %ld data \"",
                      static_cast<unsigned long>(call.type), static_cast<unsigned long>(call.length),
                      static_cast<long>(call.status));
        text += call.name + line;
        for (char c : call.data)
            text += c ? std::string(1, c) : std::string("\\0");
        text += "\"\n";
    }
    return text.empty() ? "(no calls)\n" : text;
}
