// Walks a key of 10,000 values with CRegistryKey::ValueIterator (name and
// display text of each) and with a hand-written RegEnumValueA loop doing the
// same work, in alternating rounds of one run; prints the median ratio of the
// two times and the heap allocations per entry of each walk.
#include <windows.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>
#include "registry/expandable_buffer.h"
#include "registry/registry_key.h"
#include "registry/value_text.h"

// Every allocation through operator new (new[] goes through it too) is counted.
namespace {
volatile LONG g_allocations = 0;
}

// The replacement pairs malloc with free itself; GCC cannot see that.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(size_t size)
{
    InterlockedIncrement(&g_allocations);
    void* p = std::malloc(size ? size : 1);
    if (!p)
        throw std::bad_alloc();
    return p;
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }

using Quarnell::CRegistryKey;

namespace {
const int kValues = 10000;
const int kRounds = 15;

double Now()
{
    LARGE_INTEGER counter, frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// The work done per entry: look at the name and the display text.
size_t Consume(LPCSTR name, LPCSTR text)
{
    return static_cast<size_t>(name[0]) + std::strlen(text);
}

// afterEntry() runs once the entry's name and text were read; the timed
// walks pass one that does nothing.
template <class AfterEntry>
size_t WalkWithIterator(const CRegistryKey& key, AfterEntry afterEntry)
{
    size_t sum = 0;
    for (CRegistryKey::ValueIterator it = key.BeginValueIteration(); it != key.EndValueIteration(); ++it) {
        sum += Consume(it.GetName(), it.AsString());
        afterEntry();
    }
    return sum;
}

// The baseline: the library's own display text, written into one buffer that
// the loop reuses, so that the ratio shows only what the iterator adds.
template <class AfterEntry>
size_t WalkByHand(HKEY hKey, AfterEntry afterEntry)
{
    DWORD count = 0, longestName = 0, longestData = 0;
    if (RegQueryInfoKeyA(hKey, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, &longestName,
                         &longestData, nullptr, nullptr) != ERROR_SUCCESS)
        return 0;
    std::vector<char> name(longestName + 1);
    std::vector<BYTE> data(longestData + 1);
    Quarnell::ExpandableBuffer<char> text;
    size_t sum = 0;
    for (DWORD index = 0;; ++index) {
        DWORD nameSize = static_cast<DWORD>(name.size());
        DWORD dataSize = static_cast<DWORD>(data.size());
        DWORD type = 0;
        LONG status = RegEnumValueA(hKey, index, name.data(), &nameSize, nullptr, &type, data.data(), &dataSize);
        if (status != ERROR_SUCCESS)
            break;
        sum += Consume(name.data(), Quarnell::FormatValueAsText(type, data.data(), dataSize, text));
        afterEntry();
    }
    return sum;
}

void Fill(const CRegistryKey& key)
{
    for (int i = 0; i < kValues; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "Value%05d", i);
        switch (i % 4) {
        case 0: key.SetValue(name, "a string of some twenty"); break;
        case 1: key.SetValue(name, static_cast<DWORD>(i), REG_DWORD); break;
        case 2: key.SetValue(name, reinterpret_cast<const BYTE*>("\x01\x02\x03\x04\x05\x06\x07\x08"), 8); break;
        default: key.SetValue(name, "1"); break;
        }
    }
}

// Heap allocations of one untimed walk: in all, and those made for the
// entries after the first one, when the walk's buffers have found their
// sizes: what reading one more name and text costs.
struct WalkAllocations {
    LONG total = 0;
    LONG afterFirstEntry = 0;
};

template <class Walk>
WalkAllocations CountAllocations(Walk walk)
{
    LONG start = g_allocations;
    LONG firstEntryRead = -1;
    walk([&] {
        if (firstEntryRead < 0)
            firstEntryRead = g_allocations;
    });
    WalkAllocations counted;
    counted.total = g_allocations - start;
    counted.afterFirstEntry = firstEntryRead < 0 ? 0 : g_allocations - firstEntryRead;
    return counted;
}

void PrintAllocations(const char* label, const WalkAllocations& counted, const char* goal)
{
    std::printf("allocations per entry (name and text), %s %.4f%s; per walk in all: %ld\n", label,
                static_cast<double>(counted.afterFirstEntry) / (kValues - 1), goal, static_cast<long>(counted.total));
}
}  // namespace

int main()
{
    char path[64];
    std::snprintf(path, sizeof path, "Software\\CorvaneBench\\walk.%lu", GetCurrentProcessId());
    auto nothing = [] {};
    try {
        CRegistryKey root(HKEY_CURRENT_USER, "Software", KEY_ALL_ACCESS);
        CRegistryKey key = root.CreateOrOpenKey(path + std::strlen("Software\\"));
        Fill(key);

        // Warm both paths before timing.
        size_t expected = WalkByHand(key, nothing);
        if (WalkWithIterator(key, nothing) != expected) {
            std::printf("the two walks disagree\n");
            return 1;
        }

        std::vector<double> ratios;
        for (int round = 0; round < kRounds; ++round) {
            double iteratorTime = 0, handTime = 0;
            for (int pass = 0; pass < 2; ++pass) {
                bool iteratorFirst = (round % 2 == 0);
                bool runIterator = (pass == 0) == iteratorFirst;
                double start = Now();
                size_t sum = runIterator ? WalkWithIterator(key, nothing) : WalkByHand(key, nothing);
                double elapsed = Now() - start;
                if (sum != expected) {
                    std::printf("a walk read something else: %zu instead of %zu\n", sum, expected);
                    return 1;
                }
                (runIterator ? iteratorTime : handTime) = elapsed;
            }
            ratios.push_back(iteratorTime / handTime);
        }
        std::sort(ratios.begin(), ratios.end());
        double median = ratios[ratios.size() / 2];
        std::printf("values walked per round:        %d\n", kValues);
        std::printf("rounds:                         %d\n", kRounds);
        std::printf("median time ratio (iterator / RegEnumValueA loop): %.3f (goal <= 1.05)\n", median);
        std::printf("ratio range:                    %.3f .. %.3f\n", ratios.front(), ratios.back());
        PrintAllocations("iterator:",
                         CountAllocations([&](auto afterEntry) { return WalkWithIterator(key, afterEntry); }),
                         " (goal 0)");
        PrintAllocations("by hand: ", CountAllocations([&](auto afterEntry) { return WalkByHand(key, afterEntry); }),
                         "");
    } catch (const Quarnell::CWin32Exception& e) {
        std::printf("%s failed: %lu %s\n", e.GetWhere(), static_cast<unsigned long>(e.GetError()),
                    e.GetErrorMessage());
        RegDeleteTreeA(HKEY_CURRENT_USER, path);
        return 1;
    }
    RegDeleteTreeA(HKEY_CURRENT_USER, path);
    return 0;
}
