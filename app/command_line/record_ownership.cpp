#include "app/command_line/record_ownership.h"

#include <cstddef>
#include <string>

#include "registry/registry_key.h"

namespace {

const char kLockName[] = "Corvane.RestoreRecord.Lock";
const char kRunName[] = "Corvane.RestoreRecord.RunWaiting";
// Others hold the lock only for a few registry calls; a lock held longer
// belongs to a Corvane that hangs.
const DWORD kLockWaitMs = 30000;
// All a Corvane does with the mutexes: wait on them and release them.
const DWORD kMutexAccess = SYNCHRONIZE | MUTEX_MODIFY_STATE;

// Windows 2000 and later keep named objects per session (fast user
// switching, Terminal Services), but every session's Corvane writes the one
// DDHAL key of the machine, so the mutexes live in the global namespace.
// Windows 2000 without Terminal Services ignores the prefix; Windows 95, 98,
// ME and NT 4 refuse a backslash in a name.
bool HasSessionNamespaces()
{
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    return GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_NT &&
           version.dwMajorVersion >= 5;
}

// A named object's default DACL admits only its creator's account, so
// another user's Corvane could not open a mutex this one made. This
// self-relative descriptor lets everyone wait on it and release it, and
// nothing more: no one else may change its security or delete it.
struct EveryoneAce {
    ACE_HEADER header;
    ACCESS_MASK mask;
    SID everyone;  // S-1-1-0, one sub-authority
};
struct MutexDescriptor {
    SECURITY_DESCRIPTOR_RELATIVE header;
    ACL dacl;
    EveryoneAce ace;
};
static_assert(sizeof(MutexDescriptor) == 48, "a self-relative descriptor with one ACE for Everyone");

const MutexDescriptor& EveryoneMayWait()
{
    static const MutexDescriptor descriptor = [] {
        MutexDescriptor d{};
        d.header.Revision = SECURITY_DESCRIPTOR_REVISION;
        d.header.Control = SE_DACL_PRESENT | SE_SELF_RELATIVE;
        d.header.Dacl = offsetof(MutexDescriptor, dacl);
        d.dacl.AclRevision = ACL_REVISION;
        d.dacl.AclSize = sizeof d.dacl + sizeof d.ace;
        d.dacl.AceCount = 1;
        d.ace.header.AceType = ACCESS_ALLOWED_ACE_TYPE;
        d.ace.header.AceSize = sizeof d.ace;
        d.ace.mask = kMutexAccess;
        d.ace.everyone.Revision = SID_REVISION;
        d.ace.everyone.SubAuthorityCount = 1;
        d.ace.everyone.IdentifierAuthority = SECURITY_WORLD_SID_AUTHORITY;
        d.ace.everyone.SubAuthority[0] = SECURITY_WORLD_RID;
        return d;
    }();
    return descriptor;
}

// Opens the mutex with only the rights a Corvane needs, or makes it. The
// mutex may be another user's, which grants this one no more than those
// rights, while CreateMutexA on an existing mutex asks for all of them.
HANDLE OpenOrMakeMutex(const char* baseName)
{
    const bool global = HasSessionNamespaces();
    const std::string name = global ? std::string("Global\\") + baseName : std::string(baseName);
    HANDLE mutex = OpenMutexA(kMutexAccess, FALSE, name.c_str());
    if (mutex)
        return mutex;
    SECURITY_ATTRIBUTES attributes{sizeof attributes, const_cast<MutexDescriptor*>(&EveryoneMayWait()), FALSE};
    mutex = CreateMutexA(global ? &attributes : nullptr, FALSE, name.c_str());
    if (mutex)
        return mutex;
    DWORD error = GetLastError();
    if (error == ERROR_ACCESS_DENIED) {
        // Made meanwhile by another user's Corvane.
        mutex = OpenMutexA(kMutexAccess, FALSE, name.c_str());
        if (mutex)
            return mutex;
        error = GetLastError();
    }
    throw Quarnell::CWin32Exception("CreateMutexA()", error);
}

// An abandoned mutex is owned by the waiter all the same: its owner died.
bool Acquired(DWORD waitResult)
{
    return waitResult == WAIT_OBJECT_0 || waitResult == WAIT_ABANDONED;
}

}  // namespace

RecordOwnership::RecordOwnership() : m_lock(OpenOrMakeMutex(kLockName))
{
    Lock();
}

RecordOwnership::~RecordOwnership()
{
    ReleaseRun();
    ReleaseLock();
}

void RecordOwnership::Lock()
{
    if (m_lockHeld)
        return;
    DWORD result = WaitForSingleObject(m_lock.Get(), kLockWaitMs);
    if (!Acquired(result)) {
        throw Quarnell::CWin32Exception("Waiting for another Corvane to finish with the restore record",
                                        result == WAIT_TIMEOUT ? ERROR_TIMEOUT : GetLastError());
    }
    m_lockHeld = true;
}

void RecordOwnership::ReleaseLock()
{
    if (m_lockHeld)
        ReleaseMutex(m_lock.Get());
    m_lockHeld = false;
}

bool RecordOwnership::ClaimRun()
{
    if (m_runHeld)
        return true;
    if (!m_run)
        m_run = OwnedHandle(OpenOrMakeMutex(kRunName));
    DWORD result = WaitForSingleObject(m_run.Get(), 0);
    if (result == WAIT_TIMEOUT)
        return false;
    if (!Acquired(result))
        throw Quarnell::CWin32Exception("WaitForSingleObject()", GetLastError());
    m_runHeld = true;
    return true;
}

void RecordOwnership::ReleaseRun()
{
    if (m_runHeld)
        ReleaseMutex(m_run.Get());
    m_runHeld = false;
}
