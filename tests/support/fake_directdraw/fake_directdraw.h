#pragma once
// A scriptable stand-in for DirectDraw and Direct3D at the DirectX 6 level.
//
// FakeDirectX holds everything a test sets up or reads back: what the fake
// reports (display modes, devices, formats), which calls fail, the sequence of
// calls made on every fake object, and a reference ledger per object.
// FakeDirectDrawRegistration puts the fake's class factory in place of
// CLSID_DirectDraw for the calling thread's process, so CoCreateInstance of
// DirectDraw (and everything obtained from it) lands here; when it goes, the
// real DirectDraw comes back.
//
// Each entry of the call sequence reads "Interface[object]::Method(arguments)",
// for example "IDirectDraw4::SetCooperativeLevel(focus, 0x80)" or
// "IDirectDrawSurface4[back]::SetPalette(palette)". The DirectDraw object's own
// interfaces carry no object label. Windows print as the name given with
// NameWindow, fake objects by their label, pointers that are not fake objects
// as "foreign", and GUIDs DirectX defines by their IID_ name.
#include <windows.h>
#include <ddraw.h>
#include <d3d.h>

#include <memory>
#include <string>
#include <vector>

struct FakeDisplayMode {
    DWORD dwWidth;
    DWORD dwHeight;
    DWORD dwBPP;
    DWORD dwRefreshRate;
};

struct FakeDevice {
    GUID guid;
    std::string description;
    std::string name;
    D3DDEVICEDESC hardware;
    D3DDEVICEDESC software;
};

// The hardware device, with or without perspective-correct texturing in its
// hardware description's triangle caps.
FakeDevice FakeHalDevice(bool perspectiveTextures = true);
FakeDevice FakeRgbDevice();

// An RGB format of the given depth; 8 gives the palettized 8-bit format.
DDPIXELFORMAT FakeDisplayFormat(DWORD bpp);
DDPIXELFORMAT FakeZBufferFormat(DWORD bits);
DDPIXELFORMAT FakeTextureFormat(DWORD bpp, DWORD r, DWORD g, DWORD b, DWORD a);

struct FakeCall {
    std::string interfaceName;  // "IDirectDraw4"
    std::string target;         // object label, empty for the DirectDraw object
    std::string method;         // "CreateSurface"
    std::string args;
    HRESULT result = S_OK;
    bool refCounting = false;   // AddRef or Release

    std::string Key() const;    // "IDirectDraw4::CreateSurface": what FailCall matches
    std::string Text() const;   // the readable entry
};

class FakeObject;
class FakeDirectDrawFactory;

class FakeDirectX {
public:
    FakeDirectX();
    ~FakeDirectX();
    FakeDirectX(const FakeDirectX&) = delete;
    FakeDirectX& operator=(const FakeDirectX&) = delete;

    // ---- What the fake reports (change before the calls that read them).
    // EnumDisplayModes reports these, in this order.
    std::vector<FakeDisplayMode> displayModes;
    // The mode GetDisplayMode reports until SetDisplayMode, and again after
    // RestoreDisplayMode. Its depth gives the pixel format of surfaces created
    // without one (8 bits: palettized).
    FakeDisplayMode desktopMode;
    // EnumDevices reports these, in this order; CreateDevice accepts only these.
    std::vector<FakeDevice> devices;
    // The format of a display mode of some depth is the first of these with
    // that dwRGBBitCount, else FakeDisplayFormat(depth).
    std::vector<DDPIXELFORMAT> displayFormats;
    std::vector<DDPIXELFORMAT> zBufferFormats;     // EnumZBufferFormats, any device
    std::vector<DDPIXELFORMAT> textureFormats;     // EnumTextureFormats

    // ---- Failures. The method is "Interface::Method" as in FakeCall::Key().
    // occurrence 0 fails every call from now on; n fails only the n-th call
    // counted from now. A failed call does nothing but return the code (and
    // null its out pointer).
    void FailCall(const std::string& method, HRESULT hr, int occurrence = 0);
    void ClearFailures();

    // ---- Names for windows in the call sequence.
    void NameWindow(HWND hwnd, const std::string& name);

    // ---- The call sequence.
    std::vector<std::string> Calls() const;                  // without AddRef/Release
    std::vector<std::string> CallsWithRefCounting() const;
    const std::vector<FakeCall>& CallLog() const { return m_calls; }
    int CountCalls(const std::string& method) const;         // by Key()
    void ClearCalls();

    // ---- References. Every object whose count is not back to 0, as
    // "IDirectDrawSurface4[primary] count 1". Back buffers made with a
    // flipping chain go with the chain's front surface, as in DirectDraw.
    std::vector<std::string> LiveObjects() const;
    // Releases past 0, calls on an object already released, and pointers
    // handed to the fake that are not its own.
    std::vector<std::string> Faults() const { return m_faults; }
    int ObjectsCreated() const { return static_cast<int>(m_objects.size()); }

    // ---- What was passed in.
    std::vector<PALETTEENTRY> paletteEntries;  // the table of the last CreatePalette
    bool projectionSet = false;
    D3DMATRIX projection = {};                 // the last SetTransform(PROJECTION)
    bool viewportSet = false;
    D3DVIEWPORT2 viewport = {};                // the last SetViewport2
    FakeDisplayMode currentMode = {};          // SetDisplayMode / RestoreDisplayMode

    IClassFactory* Factory();

    // ---- For the fake objects.
    // Appends a call; returns the failure chosen for it, or S_OK.
    HRESULT Enter(const FakeObject* object, const char* method, const std::string& args,
                  size_t* index = nullptr);
    HRESULT Returns(size_t index, HRESULT hr);
    void RecordRefCount(const FakeObject* object, const char* method, long count);
    void Fault(const std::string& what);
    template <class T> T* Adopt(std::unique_ptr<T> object) {
        T* raw = object.get();
        m_objects.push_back(std::move(object));
        return raw;
    }
    // Keeps state that fake objects share for as long as the fake lives; returns its number.
    size_t Keep(std::shared_ptr<void> state) {
        m_kept.push_back(std::move(state));
        return m_kept.size();
    }
    FakeObject* Find(const void* iface) const;
    std::string UniqueLabel(const std::string& base);
    std::string WindowName(HWND hwnd) const;
    std::string ObjectName(const void* iface);
    const FakeDevice* FindDevice(const GUID& guid) const;
    DDPIXELFORMAT DisplayFormat(DWORD bpp) const;

private:
    struct FailureRule {
        std::string method;
        HRESULT hr;
        int occurrence;
        int seen;
    };
    std::vector<FakeCall> m_calls;
    std::vector<FailureRule> m_failures;
    std::vector<std::pair<HWND, std::string>> m_windowNames;
    std::vector<std::unique_ptr<FakeObject>> m_objects;
    std::vector<std::pair<std::string, int>> m_labels;
    std::vector<std::string> m_faults;
    std::vector<std::shared_ptr<void>> m_kept;
    std::unique_ptr<FakeDirectDrawFactory> m_factory;
};

// Replaces DirectDraw's class object in this process while it lives.
// Initialises COM for the thread for its lifetime.
class FakeDirectDrawRegistration {
public:
    explicit FakeDirectDrawRegistration(FakeDirectX& fake);
    ~FakeDirectDrawRegistration();
    FakeDirectDrawRegistration(const FakeDirectDrawRegistration&) = delete;
    FakeDirectDrawRegistration& operator=(const FakeDirectDrawRegistration&) = delete;

    HRESULT Result() const { return m_hr; }   // of CoRegisterClassObject

private:
    HRESULT m_coInit;
    HRESULT m_hr;
    DWORD m_cookie = 0;
};

std::string GuidName(const GUID* guid);
std::string HexValue(DWORD value);
std::string HResultText(HRESULT hr);
