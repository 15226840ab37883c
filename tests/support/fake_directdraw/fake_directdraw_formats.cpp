// The pixel formats and device descriptions the fake reports unless a test
// sets its own.
#include "tests/support/fake_directdraw/fake_directdraw.h"

DDPIXELFORMAT FakeDisplayFormat(DWORD bpp) {
    DDPIXELFORMAT pf = {};
    pf.dwSize = sizeof pf;
    pf.dwFlags = DDPF_RGB;
    pf.dwRGBBitCount = bpp;
    switch (bpp) {
    case 8:
        pf.dwFlags |= DDPF_PALETTEINDEXED8;
        break;
    case 16:
        pf.dwRBitMask = 0xF800;
        pf.dwGBitMask = 0x07E0;
        pf.dwBBitMask = 0x001F;
        break;
    default:
        pf.dwRBitMask = 0xFF0000;
        pf.dwGBitMask = 0x00FF00;
        pf.dwBBitMask = 0x0000FF;
        break;
    }
    return pf;
}

DDPIXELFORMAT FakeZBufferFormat(DWORD bits) {
    DDPIXELFORMAT pf = {};
    pf.dwSize = sizeof pf;
    pf.dwFlags = DDPF_ZBUFFER;
    pf.dwZBufferBitDepth = bits;
    pf.dwZBitMask = bits >= 32 ? 0xFFFFFFFFu : ((1u << bits) - 1);
    return pf;
}

DDPIXELFORMAT FakeTextureFormat(DWORD bpp, DWORD r, DWORD g, DWORD b, DWORD a) {
    DDPIXELFORMAT pf = {};
    pf.dwSize = sizeof pf;
    pf.dwFlags = DDPF_RGB | (a ? DDPF_ALPHAPIXELS : 0);
    pf.dwRGBBitCount = bpp;
    pf.dwRBitMask = r;
    pf.dwGBitMask = g;
    pf.dwBBitMask = b;
    pf.dwRGBAlphaBitMask = a;
    return pf;
}

static D3DDEVICEDESC DeviceDescription(bool present, bool perspective) {
    D3DDEVICEDESC desc = {};
    desc.dwSize = sizeof desc;
    if (!present) return desc;
    desc.dwFlags = D3DDD_COLORMODEL | D3DDD_DEVCAPS | D3DDD_TRICAPS | D3DDD_DEVICERENDERBITDEPTH;
    desc.dcmColorModel = D3DCOLOR_RGB;
    desc.dwDevCaps = D3DDEVCAPS_FLOATTLVERTEX | D3DDEVCAPS_DRAWPRIMTLVERTEX;
    desc.dpcTriCaps.dwSize = sizeof desc.dpcTriCaps;
    desc.dpcTriCaps.dwShadeCaps = D3DPSHADECAPS_COLORGOURAUDRGB;
    desc.dpcTriCaps.dwTextureCaps = perspective ? D3DPTEXTURECAPS_PERSPECTIVE : 0;
    desc.dpcLineCaps = desc.dpcTriCaps;
    desc.dwDeviceRenderBitDepth = DDBD_16 | DDBD_32;
    desc.dwDeviceZBufferBitDepth = DDBD_16 | DDBD_24;
    return desc;
}

FakeDevice FakeHalDevice(bool perspectiveTextures) {
    FakeDevice device;
    device.guid = IID_IDirect3DHALDevice;
    device.description = "Fake hardware device";
    device.name = "Direct3D HAL";
    device.hardware = DeviceDescription(true, perspectiveTextures);
    device.software = DeviceDescription(false, false);
    return device;
}

FakeDevice FakeRgbDevice() {
    FakeDevice device;
    device.guid = IID_IDirect3DRGBDevice;
    device.description = "Fake RGB emulation";
    device.name = "RGB Emulation";
    device.hardware = DeviceDescription(false, false);
    device.software = DeviceDescription(true, true);
    return device;
}
