#pragma once
// The fake DirectDraw object: one object answering to IDirectDraw,
// IDirectDraw4 and IDirect3D3, with a reference count per interface.
#include "tests/support/fake_directdraw/fake_directdraw.h"

// What the fake's class factory makes: a new, not yet initialised DirectDraw
// object, asked for riid.
HRESULT CreateFakeDirectDraw(FakeDirectX& fake, REFIID riid, void** ppv);
