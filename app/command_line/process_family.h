#pragma once
// A program and every process it started, and they started in turn: many
// games start through a launcher that runs the real game and ends at once,
// and the options must stay until the game has ended too.
#include <windows.h>

#include <vector>

#include "app/command_line/owned_handle.h"

// The ids of the processes the system lists now, where it cannot tell when
// a process started: Windows 95, 98 and ME reuse ids and give no start
// times, so a process listed before a program starts could otherwise pass
// for its child once the program gets the id of its dead parent. Empty where
// start times tell. Never raises; empty when there is no memory for it.
std::vector<DWORD> ProcessesListedBeforeStart() noexcept;

class ProcessFamily {
public:
    // program: a handle with SYNCHRONIZE access, which stays the caller's.
    // strangers: processes never to be adopted (ProcessesListedBeforeStart).
    ProcessFamily(HANDLE program, DWORD programId, std::vector<DWORD> strangers = {});
    ProcessFamily(const ProcessFamily&) = delete;
    ProcessFamily& operator=(const ProcessFamily&) = delete;

    // Waits until the program and all its descendants have ended, looking
    // for new descendants every pollMs. A descendant is found through the
    // system's process list (the tool help snapshot) by its parent's id,
    // and counts only while its chain of parents leads back to the program.
    void WaitUntilAllEnded(DWORD pollMs);

private:
    struct Member {
        DWORD id;
        DWORD parentId;
        HANDLE process;     // the caller's for the program, else owned below; null if it would not open
        ULONGLONG created;  // 0 where the system cannot tell
        bool ended;
    };
    struct Entry {
        DWORD id;
        DWORD parentId;
    };

    // Looks at the system's process list: adopts the processes that members
    // started since the last look, and notes which members are still there.
    // False when nothing was adopted.
    bool LookAtProcessList();
    bool AnyAlive();
    void WaitForAnEnd(DWORD timeoutMs) const;
    Member* Find(DWORD id);

    std::vector<Member> m_members;
    std::vector<Entry> m_listed;  // the last process list
    // Listed before the program started; one that is no longer listed has
    // ended, and its id may be given to one of the family.
    std::vector<DWORD> m_strangers;
    // Held open: on Windows NT a process's id is not reused while a handle
    // to it is open, so no member's id can come to stand for a stranger.
    std::vector<OwnedHandle> m_handles;
};
