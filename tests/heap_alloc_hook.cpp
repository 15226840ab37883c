#include "tests/heap_alloc_hook.h"

#include <cstring>
#include <set>

namespace {

using HeapAllocFn = LPVOID(WINAPI*)(HANDLE, DWORD, SIZE_T);
using HeapFreeFn = BOOL(WINAPI*)(HANDLE, DWORD, LPVOID);

HeapAllocFn g_originalAlloc = nullptr;
HeapFreeFn g_originalFree = nullptr;
int g_calls = 0;
int g_failAt = 0;      // call number that fails, 0 for none
bool g_failAll = false;
std::set<void*>* g_live = nullptr;

LPVOID WINAPI FailingHeapAlloc(HANDLE hHeap, DWORD dwFlags, SIZE_T cb)
{
    ++g_calls;
    if (g_failAll || g_calls == g_failAt) return nullptr;
    LPVOID p = g_originalAlloc(hHeap, dwFlags, cb);
    if (p != nullptr && g_live != nullptr) g_live->insert(p);
    return p;
}

BOOL WINAPI CountingHeapFree(HANDLE hHeap, DWORD dwFlags, LPVOID p)
{
    if (g_live != nullptr) g_live->erase(p);
    return g_originalFree(hHeap, dwFlags, p);
}

// Swaps one entry of this program's import address table; returns the old
// value, or null when the import is not there.
void* ReplaceImport(const char* pszDll, const char* pszFunction, void* pReplacement)
{
    BYTE* base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (dir.VirtualAddress == 0) return nullptr;
    for (auto* imp = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); imp->Name != 0; ++imp) {
        if (_stricmp(reinterpret_cast<char*>(base + imp->Name), pszDll) != 0) continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<char*>(byName->Name), pszFunction) != 0) continue;
            DWORD oldProtect = 0;
            if (!VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &oldProtect))
                return nullptr;
            void* pOld = reinterpret_cast<void*>(slots->u1.Function);
            slots->u1.Function = reinterpret_cast<ULONG_PTR>(pReplacement);
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, oldProtect, &oldProtect);
            return pOld;
        }
    }
    return nullptr;
}

}  // namespace

HeapAllocHook::HeapAllocHook()
{
    g_live = new std::set<void*>();
    g_calls = 0;
    g_failAt = 0;
    g_failAll = false;
    g_originalAlloc = reinterpret_cast<HeapAllocFn>(ReplaceImport("kernel32.dll", "HeapAlloc",
                                                                   reinterpret_cast<void*>(FailingHeapAlloc)));
    g_originalFree = reinterpret_cast<HeapFreeFn>(ReplaceImport("kernel32.dll", "HeapFree",
                                                                 reinterpret_cast<void*>(CountingHeapFree)));
}

HeapAllocHook::~HeapAllocHook()
{
    if (g_originalAlloc != nullptr) ReplaceImport("kernel32.dll", "HeapAlloc", reinterpret_cast<void*>(g_originalAlloc));
    if (g_originalFree != nullptr) ReplaceImport("kernel32.dll", "HeapFree", reinterpret_cast<void*>(g_originalFree));
    g_originalAlloc = nullptr;
    g_originalFree = nullptr;
    delete g_live;
    g_live = nullptr;
}

bool HeapAllocHook::Installed() const { return g_originalAlloc != nullptr && g_originalFree != nullptr; }

void HeapAllocHook::FailAllocation(int n)
{
    g_failAll = false;
    g_failAt = n == 0 ? 0 : g_calls + n;
}

void HeapAllocHook::FailAll() { g_failAll = true; }

int HeapAllocHook::Allocations() const { return g_calls; }

int HeapAllocHook::LiveBlocks() const { return g_live != nullptr ? static_cast<int>(g_live->size()) : 0; }

void HeapAllocHook::ResetCounts()
{
    g_calls = 0;
    g_failAt = 0;
    if (g_live != nullptr) g_live->clear();
}
