#include "registry/registry_key.h"

namespace Quarnell {

CCountedHandle::~CCountedHandle() = default;

CCountedHandle* CCountedHandle::AddRef()
{
    InterlockedIncrement(&m_refCount);
    return this;
}

CCountedHandle* CCountedHandle::Release()
{
    if (InterlockedDecrement(&m_refCount) != 0)
        return nullptr;
    try {
        Close();
    } catch (...) {
        // The last holder is going away; nobody is left to tell.
    }
    delete this;
    return nullptr;
}

void CCountedRegKey::Close()
{
    RegCloseKey(GetHandle());
}

}  // namespace Quarnell
