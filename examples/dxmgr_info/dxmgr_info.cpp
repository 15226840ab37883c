// Lists the DirectDraw drivers, each driver's display modes and the Z-buffer
// formats of its hardware 3D device; then enables windowed 3D drawing in a
// window of its own on the display driver, lists the 3D device's texture
// formats, and draws and presents one cleared frame.
//
//   dxmgr_info
//
// A failure is reported with the operation and its HRESULT; DXMgr writes its
// own reason as a line on the debugger output.
#include <windows.h>

#include <cstdio>

#include "dxmgr/dxmgr.h"

namespace {

// One interface pointer held by this program, released on every way out.
template <class Interface>
class Held {
public:
    Held() = default;
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;
    ~Held()
    {
        if (m_p)
            m_p->Release();
    }
    Interface** Out() { return &m_p; }
    Interface* Get() const { return m_p; }
    Interface* operator->() const { return m_p; }

private:
    Interface* m_p = nullptr;
};

bool Succeeded(HRESULT hr, const char* operation)
{
    if (SUCCEEDED(hr))
        return true;
    std::fprintf(stderr, "dxmgr_info: %s failed with 0x%08lX (DXMgr's reason is on the debugger output)\n",
                 operation, static_cast<unsigned long>(hr));
    return false;
}

void PrintPixelFormat(const char* kind, const DDPIXELFORMAT& format)
{
    if (format.dwFlags & DDPF_ZBUFFER) {
        std::printf("  %s: %lu-bit depth\n", kind, static_cast<unsigned long>(format.dwZBufferBitDepth));
    } else if (format.dwFlags & DDPF_RGB) {
        std::printf("  %s: %lu-bit RGB, masks %08lX %08lX %08lX alpha %08lX\n", kind,
                    static_cast<unsigned long>(format.dwRGBBitCount), static_cast<unsigned long>(format.dwRBitMask),
                    static_cast<unsigned long>(format.dwGBitMask), static_cast<unsigned long>(format.dwBBitMask),
                    static_cast<unsigned long>(format.dwRGBAlphaBitMask));
    } else if (format.dwFlags & DDPF_FOURCC) {
        const DWORD code = format.dwFourCC;
        std::printf("  %s: FourCC %c%c%c%c\n", kind, static_cast<char>(code), static_cast<char>(code >> 8),
                    static_cast<char>(code >> 16), static_cast<char>(code >> 24));
    } else {
        std::printf("  %s: flags %08lX\n", kind, static_cast<unsigned long>(format.dwFlags));
    }
}

// Every record an enumerator holds, one by one.
template <class Enumerator, class Record, class Print>
void PrintAll(Enumerator* records, Print&& print)
{
    Record record{};
    ULONG fetched = 0;
    while (records->Next(1, &record, &fetched) == S_OK && fetched == 1)
        print(record);
}

bool ListDriver(const DXMGRDIRECTDRAW& driver, HWND window)
{
    std::printf("driver: %s (%s)\n", driver.pszDescription ? driver.pszDescription : "?",
                driver.pszName ? driver.pszName : "?");
    Held<IDXMgr> manager;
    if (!Succeeded(DXMgrCreate(IID_IDXMgr, manager.Out()), "DXMgrCreate") ||
        !Succeeded(manager->Initialize(&driver.guidDriver, window, 0), "Initialize"))
        return false;
    Held<IEnumDisplayModes> modes;
    if (!Succeeded(manager->CreateEnumDisplayModes(modes.Out(), 0), "CreateEnumDisplayModes"))
        return false;
    PrintAll<IEnumDisplayModes, DXMGRDISPLAYMODE>(modes.Get(), [](const DXMGRDISPLAYMODE& mode) {
        std::printf("  mode: %lux%lux%lu %lu Hz\n", static_cast<unsigned long>(mode.dwWidth),
                    static_cast<unsigned long>(mode.dwHeight), static_cast<unsigned long>(mode.dwBPP),
                    static_cast<unsigned long>(mode.dwRefreshRate));
    });
    Held<IEnumPixelFormats> depths;
    // A driver without a hardware 3D device has no such formats to list.
    if (SUCCEEDED(manager->CreateEnumZBufferFormats(depths.Out(), &IID_IDirect3DHALDevice, 0)))
        PrintAll<IEnumPixelFormats, DDPIXELFORMAT>(depths.Get(), [](const DDPIXELFORMAT& format) {
            PrintPixelFormat("Z-buffer format", format);
        });
    return true;
}

bool DrawOneFrame(HWND window)
{
    Held<IDXMgr> manager;
    if (!Succeeded(DXMgrCreate(IID_IDXMgr, manager.Out()), "DXMgrCreate") ||
        !Succeeded(manager->Initialize(nullptr, window, 0), "Initialize"))
        return false;
    DXMGRENABLE enable{};
    enable.dwFlags = DXMGREF_3D;
    enable.hwndDevice = window;
    enable.dvNear = 1.0f;
    enable.dvFar = 10.0f;
    if (!Succeeded(manager->Enable(&enable), "Enable"))
        return false;
    Held<IEnumPixelFormats> textures;
    if (!Succeeded(manager->CreateEnumTextureFormats(textures.Out(), 0), "CreateEnumTextureFormats"))
        return false;
    std::printf("display driver, windowed 3D:\n");
    PrintAll<IEnumPixelFormats, DDPIXELFORMAT>(textures.Get(), [](const DDPIXELFORMAT& format) {
        PrintPixelFormat("texture format", format);
    });
    if (!Succeeded(manager->Clear(0, nullptr, D3DCLEAR_TARGET, RGB_MAKE(0x20, 0x40, 0x60), 1.0f, 0), "Clear") ||
        !Succeeded(manager->Update(0, nullptr), "Update"))
        return false;
    std::printf("frame: cleared and presented\n");
    return Succeeded(manager->Disable(0), "Disable");
}

}  // namespace

int main()
{
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = "dxmgr_info";
    if (!RegisterClassA(&windowClass)) {
        std::fprintf(stderr, "dxmgr_info: RegisterClassA failed (%lu)\n", static_cast<unsigned long>(GetLastError()));
        return 1;
    }
    HWND window = CreateWindowA("dxmgr_info", "dxmgr_info", WS_OVERLAPPEDWINDOW | WS_VISIBLE, CW_USEDEFAULT,
                                CW_USEDEFAULT, 320, 240, nullptr, nullptr, windowClass.hInstance, nullptr);
    if (!window) {
        std::fprintf(stderr, "dxmgr_info: CreateWindowA failed (%lu)\n", static_cast<unsigned long>(GetLastError()));
        return 1;
    }

    bool done = false;
    {
        Held<IDXMgr> lister;
        Held<IEnumDirectDraws> drivers;
        done = Succeeded(DXMgrCreate(IID_IDXMgr, lister.Out()), "DXMgrCreate") &&
               Succeeded(lister->CreateEnumDirectDraws(drivers.Out(), 0), "CreateEnumDirectDraws");
        if (done) {
            DXMGRDIRECTDRAW driver{};
            ULONG fetched = 0;
            while (done && drivers->Next(1, &driver, &fetched) == S_OK && fetched == 1)
                done = ListDriver(driver, window);
        }
    }
    done = done && DrawOneFrame(window);
    DestroyWindow(window);
    return done ? 0 : 1;
}
