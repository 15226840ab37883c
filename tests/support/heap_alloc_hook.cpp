#include "tests/support/heap_alloc_hook.h"

#include "tests/support/import_patch.h"

#include <optional>
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
std::optional<ImportPatch> g_allocPatch;
std::optional<ImportPatch> g_freePatch;

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

}  // namespace

HeapAllocHook::HeapAllocHook()
{
    g_live = new std::set<void*>();
    g_calls = 0;
    g_failAt = 0;
    g_failAll = false;
    g_allocPatch.emplace("kernel32.dll", "HeapAlloc", reinterpret_cast<void*>(FailingHeapAlloc));
    g_originalAlloc = reinterpret_cast<HeapAllocFn>(g_allocPatch->Original());
    g_freePatch.emplace("kernel32.dll", "HeapFree", reinterpret_cast<void*>(CountingHeapFree));
    g_originalFree = reinterpret_cast<HeapFreeFn>(g_freePatch->Original());
}

HeapAllocHook::~HeapAllocHook()
{
    g_allocPatch.reset();
    g_freePatch.reset();
    g_originalAlloc = nullptr;
    g_originalFree = nullptr;
    delete g_live;
    g_live = nullptr;
}

bool HeapAllocHook::Installed() const
{
    return g_allocPatch && g_allocPatch->Installed() && g_freePatch && g_freePatch->Installed();
}

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
