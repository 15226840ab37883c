#pragma once
// Which Corvane may touch the restore record. Two named mutexes decide it,
// because a process id in the record could be reused by another process
// after its Corvane died, and Windows 98 cannot tell a process's start time:
// - the record lock, held only while a start reads, puts back, writes or
//   removes the record;
// - the run claim, held by a /run from before its first write until its
//   values are back. A Corvane that dies leaves the claim abandoned, which
//   the next start takes like a free one: its record is then left over.
// Both are tested only with the record lock held, so a start that is busy
// with the record is never taken for a waiting /run.
#include <windows.h>

#include "app/command_line/owned_handle.h"

class RecordOwnership {
public:
    // Waits for the record lock, bounded; raises Quarnell::CWin32Exception
    // when the lock cannot be made or another Corvane keeps it too long.
    RecordOwnership();
    // Releases what is still held.
    ~RecordOwnership();
    RecordOwnership(const RecordOwnership&) = delete;
    RecordOwnership& operator=(const RecordOwnership&) = delete;

    // Takes the run claim unless another Corvane's /run holds it: false then.
    // Raises Quarnell::CWin32Exception when the claim cannot be made.
    bool ClaimRun();
    void ReleaseRun();
    // Lets other starts at the record while this one waits for its program.
    void ReleaseLock();
    // Takes the lock again, as the constructor does.
    void Lock();

private:
    OwnedHandle m_lock;
    OwnedHandle m_run;
    bool m_lockHeld = false;
    bool m_runHeld = false;
};
