#include "tests/app/test_window/d3d_test_resources.h"

#include <psapi.h>
#include <winternl.h>

#include <vector>

namespace {

// The system's handle list (information class 16), as Windows and Wine fill it.
struct SystemHandleEntry {
    ULONG ownerPid;
    BYTE objectType;
    BYTE handleFlags;
    USHORT handleValue;
    PVOID objectPointer;
    ULONG accessMask;
};

struct SystemHandleList {
    ULONG count;
    SystemHandleEntry entries[1];
};

const ULONG SYSTEM_HANDLE_INFORMATION_CLASS = 16;
const NTSTATUS STATUS_INFO_LENGTH_MISMATCH_CODE = static_cast<NTSTATUS>(0xC0000004L);

// One entry of the GDI handle table that the system maps into every process
// that uses GDI (the PEB's GdiSharedHandleTable). Its layout is the same for
// 32- and 64-bit processes.
struct GdiHandleEntry {
    UINT64 object;
    USHORT ownerProcessId;
    USHORT ownerCount;
    USHORT unique;
    BYTE type;
    BYTE flags;
    UINT64 userPointer;
};
static_assert(sizeof(GdiHandleEntry) == 24, "GDI handle entries are 24 bytes");
const int GDI_HANDLE_TABLE_SIZE = 0x10000;

using NtQuerySystemInformationFn = NTSTATUS(WINAPI*)(ULONG, PVOID, ULONG, PULONG);

long CountProcessHandles()
{
    auto query = reinterpret_cast<NtQuerySystemInformationFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
    if (!query)
        return -1;
    std::vector<BYTE> buffer(1 << 16);
    for (int attempt = 0; attempt < 16; ++attempt) {
        ULONG needed = 0;
        NTSTATUS status = query(SYSTEM_HANDLE_INFORMATION_CLASS, buffer.data(),
                                static_cast<ULONG>(buffer.size()), &needed);
        if (status == STATUS_INFO_LENGTH_MISMATCH_CODE) {
            buffer.resize(std::max<size_t>(buffer.size() * 2, needed + 4096));
            continue;
        }
        if (status < 0)
            return -1;
        const auto* list = reinterpret_cast<const SystemHandleList*>(buffer.data());
        const ULONG pid = GetCurrentProcessId();
        long count = 0;
        for (ULONG i = 0; i < list->count; ++i) {
            if (list->entries[i].ownerPid == pid)
                ++count;
        }
        return count;
    }
    return -1;
}

const GdiHandleEntry* GdiHandleTable()
{
    // The PEB's field has no name in MinGW's headers; its offset is fixed.
    using QueryFn = NTSTATUS(WINAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
    auto query = reinterpret_cast<QueryFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess")));
    PROCESS_BASIC_INFORMATION basic{};
    if (!query || query(GetCurrentProcess(), ProcessBasicInformation, &basic, sizeof basic, nullptr) < 0)
        return nullptr;
    const BYTE* peb = reinterpret_cast<const BYTE*>(basic.PebBaseAddress);
#if defined(_WIN64)
    const size_t offset = 0xF8;
#else
    const size_t offset = 0x94;
#endif
    return *reinterpret_cast<const GdiHandleEntry* const*>(peb + offset);
}

long CountGdiObjects()
{
    const GdiHandleEntry* table = GdiHandleTable();
    if (!table)
        return -1;
    // An entry is ours when the handle it describes is one this process can
    // use; GetObjectType confirms it without relying on how the owner field
    // encodes the process.
    long count = 0;
    for (int index = 0; index < GDI_HANDLE_TABLE_SIZE; ++index) {
        const GdiHandleEntry& entry = table[index];
        if (entry.type == 0)
            continue;
        const ULONG_PTR value = static_cast<ULONG_PTR>(index) | (static_cast<ULONG_PTR>(entry.unique) << 16);
        if (GetObjectType(reinterpret_cast<HGDIOBJ>(value)) != 0)
            ++count;
    }
    return count;
}

}  // namespace

std::string ProcessResources::Describe() const
{
    return "handles " + std::to_string(handles) + ", GDI objects " + std::to_string(gdiObjects) +
           ", pagefile bytes " + std::to_string(pagefileBytes);
}

ProcessResources CurrentProcessResources()
{
    ProcessResources resources{};
    resources.handles = CountProcessHandles();
    resources.gdiObjects = CountGdiObjects();
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters))
        resources.pagefileBytes = counters.PagefileUsage;
    return resources;
}
