// Runs cycles of create, initialize, windowed 3D enable, clear, update,
// disable and release through DXMgr, and cycles of the same DirectDraw and
// Direct3D calls made by hand in the same order, in alternating rounds of one
// run. Prints each kind's growth per cycle of PagefileUsage and of the bytes
// and blocks in use on the process's heaps, their difference and their ratio.
//
// Under Wine, PagefileUsage is the resident anonymous memory of the whole
// Unix process (RssAnon), so it also counts what Mesa, Xlib and their threads
// allocate outside any Windows heap. llvmpipe's worker threads and Direct3D's
// command-stream thread make it jump by up to 2 MiB and back from one cycle to
// the next, and with them the Unix heap grows by some 4 KiB a cycle whichever
// kind runs; alternating rounds share that out so unevenly that two kinds
// alike ("dxmgr dxmgr") come out a factor of two apart. Without those threads
// the steady growth shows; the median round and the heap columns hold either
// way. Pinned to one CPU, as the registry bench is:
//
//   cmake --preset mingw64 && cmake --build --preset mingw64 --target dxmgr_cycle_bench && LP_NUM_THREADS=0 WINE_D3D_CONFIG=csmt=0x0 taskset -c 0 tests/support/wine_run.sh win64 build/mingw64/bin/dxmgr_cycle_bench.exe
//
// Creating a DirectDraw object costs about 0.2 s here and DXMgrCreate makes
// one more for its DirectX 6 probe: the defaults (5 warm-up cycles of each
// kind, then 8 rounds of 12 of each) take a minute or two.
//
// Arguments, all optional: rounds=R cycles=M warmup=W; "holdcom" keeps COM
// initialised on the thread for the whole run, as a program using COM itself
// would; and the two kinds to compare, "dxmgr" and "raw" by default, where a
// kind "raw" can add ("+probe", "+counter") or leave out ("-com", "-modes",
// "-devices", "-textures", "-clipper", "-clear", "-blt") one step of the cycle
// made by hand, to find which step grows: "raw raw-modes" compares the cycle
// with and without EnumDisplayModes.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "dxmgr/dxmgr.h"

namespace {

const int kClientWidth = 320;
const int kClientHeight = 240;
const float kNearPlane = 1.0f;
const float kFarPlane = 10.0f;
const D3DCOLOR kClearColor = 0x00204060;

// The steps of the cycle made by hand. The defaults are the calls DXMgr
// makes; the probe and the usage counter are what DXMgr adds around them.
struct HandSteps {
    bool com = true;           // CoInitialize before, CoUninitialize after: a DXMgr object holds COM
    bool probe = false;        // a DirectDraw object made only to ask for IDirectDraw4, as DXMgrCreate does
    bool counter = false;      // DXMgr's shared usage counter: the named mapping opened, mapped, closed
    bool modes = true;         // EnumDisplayModes in Initialize
    bool devices = true;       // EnumDevices in Enable
    bool textures = true;      // EnumTextureFormats on the new device
    bool clipper = true;       // the primary's clipper
    bool clear = true;         // the viewport's Clear2
    bool blt = true;           // the Blt of the back buffer to the primary
};

struct Kind {
    std::string name;
    bool dxmgr = false;
    HandSteps steps;
};

bool SetStep(HandSteps& steps, const std::string& step, bool on)
{
    struct Named {
        const char* name;
        bool HandSteps::*field;
    };
    static const Named kSteps[] = {
        {"com", &HandSteps::com},         {"probe", &HandSteps::probe},       {"counter", &HandSteps::counter},
        {"modes", &HandSteps::modes},     {"devices", &HandSteps::devices},   {"textures", &HandSteps::textures},
        {"clipper", &HandSteps::clipper}, {"clear", &HandSteps::clear},       {"blt", &HandSteps::blt},
    };
    for (const Named& named : kSteps) {
        if (step == named.name) {
            steps.*named.field = on;
            return true;
        }
    }
    return false;
}

bool ParseKind(const std::string& text, Kind& kind)
{
    kind = Kind();
    kind.name = text;
    size_t at = text.find_first_of("+-");
    const std::string base = text.substr(0, at);
    if (base == "dxmgr") {
        kind.dxmgr = true;
        return at == std::string::npos;
    }
    if (base != "raw")
        return false;
    while (at != std::string::npos) {
        const size_t next = text.find_first_of("+-", at + 1);
        const std::string step = text.substr(at + 1, next == std::string::npos ? std::string::npos : next - at - 1);
        if (!SetStep(kind.steps, step, text[at] == '+'))
            return false;
        at = next;
    }
    return true;
}

struct Memory {
    SIZE_T pagefile = 0;
    SIZE_T heapBytes = 0;   // in use on every heap of the process
    SIZE_T heapBlocks = 0;
};

void AddHeapInUse(HANDLE heap, Memory& memory)
{
    if (!HeapLock(heap))
        return;
    PROCESS_HEAP_ENTRY entry{};
    while (HeapWalk(heap, &entry)) {
        if ((entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) != 0) {
            memory.heapBytes += entry.cbData;
            ++memory.heapBlocks;
        }
    }
    HeapUnlock(heap);
}

Memory Measure()
{
    Memory memory;
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters))
        memory.pagefile = counters.PagefileUsage;
    std::vector<HANDLE> heaps(GetProcessHeaps(0, nullptr) + 16);
    const DWORD count = GetProcessHeaps(static_cast<DWORD>(heaps.size()), heaps.data());
    for (DWORD i = 0; i < count && i < heaps.size(); ++i)
        AddHeapInUse(heaps[i], memory);
    return memory;
}

void PumpMessages()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

HWND CreateBenchWindow()
{
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.lpszClassName = "CorvaneDXMgrCycleBench";
    if (!RegisterClassA(&wc))
        return nullptr;
    HWND hwnd = CreateWindowExA(0, wc.lpszClassName, "DXMgr cycle bench", WS_POPUP | WS_VISIBLE, 40, 30,
                                kClientWidth, kClientHeight, nullptr, nullptr, wc.hInstance, nullptr);
    PumpMessages();
    return hwnd;
}

// The first failure of the run, for the report.
std::string g_failure;

bool Check(HRESULT hr, const char* what)
{
    if (SUCCEEDED(hr))
        return true;
    if (g_failure.empty()) {
        char text[160];
        std::snprintf(text, sizeof text, "%s failed: 0x%08lx", what, static_cast<unsigned long>(hr));
        g_failure = text;
    }
    return false;
}

bool DXMgrCycle(HWND hwnd)
{
    IDXMgr* manager = nullptr;
    if (!Check(DXMgrCreate(IID_IDXMgr, &manager), "DXMgrCreate"))
        return false;
    bool ok = Check(manager->Initialize(nullptr, hwnd, 0), "Initialize");
    if (ok) {
        DXMGRENABLE enable{};
        enable.dwFlags = DXMGREF_3D;
        enable.hwndDevice = hwnd;
        enable.dvNear = kNearPlane;
        enable.dvFar = kFarPlane;
        ok = Check(manager->Enable(&enable), "Enable");
    }
    if (ok)
        ok = Check(manager->Clear(0, nullptr, D3DCLEAR_TARGET, kClearColor, 1.0f, 0), "Clear");
    if (ok)
        ok = Check(manager->Update(0, nullptr), "Update");
    if (ok)
        ok = Check(manager->Disable(0), "Disable");
    manager->Release();
    return ok;
}

// ---------------------------------------------------------------- by hand

// The enumerations keep what they are told, as DXMgr's lists do, so that
// both kinds allocate alike.
HRESULT CALLBACK KeepMode(LPDDSURFACEDESC2 pddsd, LPVOID context)
{
    static_cast<std::vector<DDSURFACEDESC2>*>(context)->push_back(*pddsd);
    return DDENUMRET_OK;
}

HRESULT CALLBACK KeepDevice(GUID* guid, char*, char*, D3DDEVICEDESC*, D3DDEVICEDESC*, void* context)
{
    static_cast<std::vector<GUID>*>(context)->push_back(*guid);
    return D3DENUMRET_OK;
}

HRESULT CALLBACK KeepFormat(DDPIXELFORMAT* format, void* context)
{
    static_cast<std::vector<DDPIXELFORMAT>*>(context)->push_back(*format);
    return D3DENUMRET_OK;
}

template <typename T>
void ReleaseAndClear(T*& p)
{
    if (p != nullptr)
        p->Release();
    p = nullptr;
}

bool ProbeDirectX6()
{
    IDirectDraw* dd = nullptr;
    if (!Check(CoCreateInstance(CLSID_DirectDraw, nullptr, CLSCTX_INPROC_SERVER, IID_IDirectDraw,
                                reinterpret_cast<void**>(&dd)),
               "CoCreateInstance (probe)"))
        return false;
    IDirectDraw4* dd4 = nullptr;
    const bool ok =
        Check(dd->QueryInterface(IID_IDirectDraw4, reinterpret_cast<void**>(&dd4)), "QueryInterface (probe)");
    ReleaseAndClear(dd4);
    dd->Release();
    return ok;
}

void TouchUsageCounter()
{
    const char name[] = "__DXMgrUsageCount__";
    HANDLE mapping = OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, name);
    if (mapping == nullptr)
        mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(LONG), name);
    if (mapping == nullptr)
        return;
    auto* count = static_cast<volatile LONG*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(LONG)));
    if (count != nullptr) {
        InterlockedIncrement(count);
        UnmapViewOfFile(const_cast<LONG*>(count));
    }
    CloseHandle(mapping);
}

// The interfaces of one cycle made by hand, given back in the order of
// DXMgr's Disable and Release.
struct HandObjects {
    IDirectDraw4* dd = nullptr;
    IDirect3D3* d3d = nullptr;
    IDirectDrawSurface4* primary = nullptr;
    IDirectDrawClipper* clipper = nullptr;
    IDirectDrawSurface4* back = nullptr;
    IDirect3DDevice3* device = nullptr;
    IDirect3DViewport3* viewport = nullptr;
    DWORD width = 0;
    DWORD height = 0;

    HandObjects() = default;
    HandObjects(const HandObjects&) = delete;
    HandObjects& operator=(const HandObjects&) = delete;
    ~HandObjects()
    {
        ReleaseAndClear(viewport);
        ReleaseAndClear(device);
        ReleaseAndClear(clipper);
        ReleaseAndClear(back);
        ReleaseAndClear(primary);
        ReleaseAndClear(d3d);
        ReleaseAndClear(dd);
    }
};

bool HandInitialize(HandObjects& o, HWND hwnd, const HandSteps& steps)
{
    IDirectDraw* first = nullptr;
    if (!Check(CoCreateInstance(CLSID_DirectDraw, nullptr, CLSCTX_INPROC_SERVER, IID_IDirectDraw,
                                reinterpret_cast<void**>(&first)),
               "CoCreateInstance"))
        return false;
    const HRESULT hr = first->QueryInterface(IID_IDirectDraw4, reinterpret_cast<void**>(&o.dd));
    first->Release();
    if (!Check(hr, "QueryInterface(IDirectDraw4)"))
        return false;
    if (!Check(o.dd->Initialize(nullptr), "IDirectDraw4::Initialize")
        || !Check(o.dd->SetCooperativeLevel(hwnd, DDSCL_SETFOCUSWINDOW), "SetCooperativeLevel(DDSCL_SETFOCUSWINDOW)"))
        return false;
    if (steps.modes) {
        std::vector<DDSURFACEDESC2> modes;
        if (!Check(o.dd->EnumDisplayModes(DDEDM_REFRESHRATES, nullptr, &modes, KeepMode), "EnumDisplayModes"))
            return false;
    }
    return Check(o.dd->QueryInterface(IID_IDirect3D3, reinterpret_cast<void**>(&o.d3d)), "QueryInterface(IDirect3D3)");
}

bool HandSurfaces(HandObjects& o, HWND hwnd, const HandSteps& steps)
{
    RECT client{};
    GetClientRect(hwnd, &client);
    o.width = DWORD(client.right - client.left);
    o.height = DWORD(client.bottom - client.top);

    DDSURFACEDESC2 ddsd{};
    ddsd.dwSize = sizeof ddsd;
    ddsd.dwFlags = DDSD_CAPS;
    ddsd.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
    if (!Check(o.dd->CreateSurface(&ddsd, &o.primary, nullptr), "CreateSurface(primary)"))
        return false;
    DDPIXELFORMAT ddpf{};
    ddpf.dwSize = sizeof ddpf;
    if (!Check(o.primary->GetPixelFormat(&ddpf), "GetPixelFormat"))
        return false;
    if (steps.clipper
        && (!Check(o.dd->CreateClipper(0, &o.clipper, nullptr), "CreateClipper")
            || !Check(o.clipper->SetHWnd(0, hwnd), "SetHWnd")
            || !Check(o.primary->SetClipper(o.clipper), "SetClipper")))
        return false;
    ddsd = DDSURFACEDESC2{};
    ddsd.dwSize = sizeof ddsd;
    ddsd.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH;
    ddsd.dwWidth = o.width;
    ddsd.dwHeight = o.height;
    ddsd.ddsCaps.dwCaps = DDSCAPS_VIDEOMEMORY | DDSCAPS_3DDEVICE;
    return Check(o.dd->CreateSurface(&ddsd, &o.back, nullptr), "CreateSurface(back buffer)");
}

bool HandDevice(HandObjects& o, const HandSteps& steps)
{
    DDSURFACEDESC2 ddsd{};
    ddsd.dwSize = sizeof ddsd;
    if (!Check(o.back->GetSurfaceDesc(&ddsd), "GetSurfaceDesc")
        || !Check(o.d3d->CreateDevice(IID_IDirect3DHALDevice, o.back, &o.device, nullptr), "CreateDevice"))
        return false;
    if (steps.textures) {
        std::vector<DDPIXELFORMAT> formats;
        if (!Check(o.device->EnumTextureFormats(KeepFormat, &formats), "EnumTextureFormats"))
            return false;
    }
    if (!Check(o.d3d->CreateViewport(&o.viewport, nullptr), "CreateViewport"))
        return false;

    D3DVIEWPORT2 viewport{};
    viewport.dwSize = sizeof viewport;
    viewport.dwWidth = o.width;
    viewport.dwHeight = o.height;
    const double aspect = o.width != 0 ? double(o.height) / double(o.width) : 1.0;
    viewport.dvClipX = -1.0f;
    viewport.dvClipY = float(aspect);
    viewport.dvClipWidth = 2.0f;
    viewport.dvClipHeight = float(2.0 * aspect);
    viewport.dvMaxZ = 1.0f;
    if (!Check(o.device->AddViewport(o.viewport), "AddViewport")
        || !Check(o.viewport->SetViewport2(&viewport), "SetViewport2")
        || !Check(o.device->SetCurrentViewport(o.viewport), "SetCurrentViewport"))
        return false;

    const double s = std::sin(0.7853982), c = std::cos(0.7853982);
    const double q = s / (1.0 - double(kNearPlane) / double(kFarPlane));
    D3DMATRIX projection{};
    projection._11 = float(c);
    projection._22 = float(c);
    projection._33 = float(q);
    projection._34 = float(s);
    projection._43 = float(-q * double(kNearPlane));
    return Check(o.device->SetTransform(D3DTRANSFORMSTATE_PROJECTION, &projection), "SetTransform");
}

bool HandEnable(HandObjects& o, HWND hwnd, const HandSteps& steps)
{
    if (!Check(o.dd->SetCooperativeLevel(hwnd, DDSCL_NORMAL), "SetCooperativeLevel(DDSCL_NORMAL)"))
        return false;
    if (steps.devices) {
        std::vector<GUID> devices;
        o.d3d->EnumDevices(KeepDevice, &devices);
    }
    return HandSurfaces(o, hwnd, steps) && HandDevice(o, steps);
}

bool HandFrame(HandObjects& o, HWND hwnd, const HandSteps& steps)
{
    D3DRECT all = {0, 0, LONG(o.width), LONG(o.height)};
    if (steps.clear && !Check(o.viewport->Clear2(1, &all, D3DCLEAR_TARGET, kClearColor, 1.0f, 0), "Clear2"))
        return false;
    if (!steps.blt)
        return true;
    POINT topLeft = {0, 0}, bottomRight = {LONG(o.width), LONG(o.height)};
    ClientToScreen(hwnd, &topLeft);
    ClientToScreen(hwnd, &bottomRight);
    RECT target = {topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
    return Check(o.primary->Blt(&target, o.back, nullptr, DDBLT_WAIT, nullptr), "Blt");
}

bool HandCycle(HWND hwnd, const HandSteps& steps)
{
    const HRESULT hrCom = steps.com ? CoInitialize(nullptr) : S_FALSE;
    bool ok = !steps.probe || ProbeDirectX6();
    if (ok && steps.counter)
        TouchUsageCounter();
    if (ok) {
        HandObjects objects;
        ok = HandInitialize(objects, hwnd, steps) && HandEnable(objects, hwnd, steps)
             && HandFrame(objects, hwnd, steps);
    }
    if (steps.com && SUCCEEDED(hrCom))
        CoUninitialize();
    return ok;
}

bool RunCycle(const Kind& kind, HWND hwnd)
{
    const bool ok = kind.dxmgr ? DXMgrCycle(hwnd) : HandCycle(hwnd, kind.steps);
    PumpMessages();
    return ok;
}

struct Growth {
    long long pagefile = 0;
    long long heapBytes = 0;
    long long heapBlocks = 0;
    std::vector<double> pagefilePerCycleOfRounds;
};

double Median(std::vector<double> values)
{
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 != 0 ? values[middle] : (values[middle - 1] + values[middle]) / 2.0;
}

std::string EnvironmentValue(const char* name)
{
    char value[256];
    const DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
    return length > 0 && length < sizeof value ? value : "(unset)";
}

} // namespace

int main(int argc, char** argv)
{
    Kind kinds[2];
    ParseKind("dxmgr", kinds[0]);
    ParseKind("raw", kinds[1]);
    int kindsGiven = 0;
    int rounds = 8, cycles = 12, warmup = 5;
    bool holdCom = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("rounds=", 0) == 0)
            rounds = std::atoi(arg.c_str() + 7);
        else if (arg.rfind("cycles=", 0) == 0)
            cycles = std::atoi(arg.c_str() + 7);
        else if (arg.rfind("warmup=", 0) == 0)
            warmup = std::atoi(arg.c_str() + 7);
        else if (arg == "holdcom")
            holdCom = true;
        else if (kindsGiven < 2 && ParseKind(arg, kinds[kindsGiven]))
            ++kindsGiven;
        else {
            std::printf("unknown argument: %s\n", arg.c_str());
            return 2;
        }
    }
    if (rounds < 1 || cycles < 1 || warmup < 0) {
        std::printf("rounds and cycles must be at least 1, warmup at least 0\n");
        return 2;
    }

    const HRESULT hrCom = holdCom ? CoInitialize(nullptr) : S_FALSE;
    HWND hwnd = CreateBenchWindow();
    if (hwnd == nullptr) {
        std::printf("could not create the window: %lu\n", GetLastError());
        return 1;
    }

    // The first cycles load DirectDraw, Direct3D and the GL driver and fill
    // their caches for good.
    for (int i = 0; i < warmup; ++i) {
        for (const Kind& kind : kinds) {
            if (!RunCycle(kind, hwnd)) {
                std::printf("warm-up cycle of %s: %s\n", kind.name.c_str(), g_failure.c_str());
                return 1;
            }
        }
    }

    Growth growth[2];
    for (int round = 0; round < rounds; ++round) {
        for (int pass = 0; pass < 2; ++pass) {
            // Neither kind always runs first, nor always right after the other.
            const int k = round % 2 == 0 ? pass : 1 - pass;
            const Memory before = Measure();
            for (int i = 0; i < cycles; ++i) {
                if (!RunCycle(kinds[k], hwnd)) {
                    std::printf("round %d, cycle %d of %s: %s\n", round, i, kinds[k].name.c_str(),
                                g_failure.c_str());
                    return 1;
                }
            }
            const Memory after = Measure();
            const long long pagefile = (long long)after.pagefile - (long long)before.pagefile;
            growth[k].pagefile += pagefile;
            growth[k].heapBytes += (long long)after.heapBytes - (long long)before.heapBytes;
            growth[k].heapBlocks += (long long)after.heapBlocks - (long long)before.heapBlocks;
            growth[k].pagefilePerCycleOfRounds.push_back(double(pagefile) / cycles);
        }
    }

    const int measured = rounds * cycles;
    std::printf("cycles of each kind: %d measured (%d warm-up, then %d alternating rounds of %d)%s\n", measured,
                warmup, rounds, cycles, holdCom ? "; COM held by the program" : "");
    std::printf("LP_NUM_THREADS=%s WINE_D3D_CONFIG=%s\n", EnvironmentValue("LP_NUM_THREADS").c_str(),
                EnvironmentValue("WINE_D3D_CONFIG").c_str());

    // Per cycle, in bytes: PagefileUsage over all rounds and in the median
    // round (one jump of a thread's memory moves the first, not the second),
    // and what is in use on the heaps.
    double table[2][4];
    for (int k = 0; k < 2; ++k) {
        table[k][0] = double(growth[k].pagefile) / measured;
        table[k][1] = Median(growth[k].pagefilePerCycleOfRounds);
        table[k][2] = double(growth[k].heapBytes) / measured;
        table[k][3] = double(growth[k].heapBlocks) / measured;
    }
    const std::string difference = kinds[0].name + " - " + kinds[1].name;
    const std::string ratio = kinds[0].name + " / " + kinds[1].name;
    std::printf("%-24s %14s %14s %12s %12s\n", "growth per cycle", "PagefileUsage", "median round", "heap bytes",
                "heap blocks");
    for (int k = 0; k < 2; ++k)
        std::printf("%-24s %14.1f %14.1f %12.1f %12.2f\n", kinds[k].name.c_str(), table[k][0], table[k][1],
                    table[k][2], table[k][3]);
    std::printf("%-24s %14.1f %14.1f %12.1f %12.2f\n", difference.c_str(), table[0][0] - table[1][0],
                table[0][1] - table[1][1], table[0][2] - table[1][2], table[0][3] - table[1][3]);
    std::printf("%-24s", ratio.c_str());
    for (int column = 0; column < 4; ++column) {
        const int width = column < 2 ? 14 : 12;
        // Against a baseline that did not grow, only the difference says something.
        if (table[1][column] > 0)
            std::printf(" %*.2f", width, table[0][column] / table[1][column]);
        else
            std::printf(" %*s", width, "-");
    }
    std::printf("\ngoal: %s at most 1, or %s at most 0 where %s does not grow\n", ratio.c_str(),
                difference.c_str(), kinds[1].name.c_str());

    DestroyWindow(hwnd);
    if (holdCom && SUCCEEDED(hrCom))
        CoUninitialize();
    return 0;
}
