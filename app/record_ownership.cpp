#include "app/record_ownership.h"

#include "registry/registry_key.h"

namespace {

// No backslash: Windows 98 and 2000 without Terminal Services know no
// namespace prefix.
const char kLockName[] = "Corvane.RestoreRecord.Lock";
const char kRunName[] = "Corvane.RestoreRecord.RunWaiting";
// Others hold the lock only for a few registry calls; a lock held longer
// belongs to a Corvane that hangs.
const DWORD kLockWaitMs = 30000;

HANDLE MakeMutex(const char* name)
{
    HANDLE mutex = CreateMutexA(nullptr, FALSE, name);
    if (!mutex)
        throw Quarnell::CWin32Exception("CreateMutexA()", GetLastError());
    return mutex;
}

// An abandoned mutex is owned by the waiter all the same: its owner died.
bool Acquired(DWORD waitResult)
{
    return waitResult == WAIT_OBJECT_0 || waitResult == WAIT_ABANDONED;
}

}  // namespace

RecordOwnership::RecordOwnership() : m_lock(MakeMutex(kLockName))
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
        m_run = OwnedHandle(MakeMutex(kRunName));
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
