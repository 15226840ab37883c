#include "app/command_line/process_family.h"

#include <tlhelp32.h>

#include <algorithm>
#include <utility>

namespace {

using GetProcessTimesFunction = BOOL(WINAPI*)(HANDLE, LPFILETIME, LPFILETIME, LPFILETIME, LPFILETIME);

// When the process started, or 0: Windows 95, 98 and ME cannot tell, and
// their kernel32 is not known to export GetProcessTimes, so it is looked up
// where the system has it.
ULONGLONG CreationTime(HANDLE process)
{
    static const auto getTimes = reinterpret_cast<GetProcessTimesFunction>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetProcessTimes")));
    FILETIME created, exited, kernel, user;
    if (!getTimes || !process || !getTimes(process, &created, &exited, &kernel, &user))
        return 0;
    return (static_cast<ULONGLONG>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
}

bool HasEnded(HANDLE process)
{
    return WaitForSingleObject(process, 0) != WAIT_TIMEOUT;
}

// Calls each(id, parentId) for every process the system lists; false when
// it gives no list.
template <class Each>
bool ForEachListedProcess(Each&& each)
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return false;
    OwnedHandle owner(snapshot);
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        each(entry.th32ProcessID, entry.th32ParentProcessID);
    return true;
}

bool Contains(const std::vector<DWORD>& ids, DWORD id)
{
    return std::find(ids.begin(), ids.end(), id) != ids.end();
}

}  // namespace

std::vector<DWORD> ProcessesListedBeforeStart() noexcept
{
    std::vector<DWORD> listed;
    if (CreationTime(GetCurrentProcess()) != 0)
        return listed;
    try {
        ForEachListedProcess([&](DWORD id, DWORD) { listed.push_back(id); });
    } catch (...) {
        listed.clear();
    }
    return listed;
}

ProcessFamily::ProcessFamily(HANDLE program, DWORD programId, std::vector<DWORD> strangers)
    : m_strangers(std::move(strangers))
{
    m_members.push_back(Member{programId, 0, program, CreationTime(program), false});
}

ProcessFamily::Member* ProcessFamily::Find(DWORD id)
{
    for (Member& member : m_members) {
        if (member.id == id)
            return &member;
    }
    return nullptr;
}

bool ProcessFamily::LookAtProcessList()
{
    m_listed.clear();
    if (!ForEachListedProcess([&](DWORD id, DWORD parentId) { m_listed.push_back(Entry{id, parentId}); }))
        return false;
    m_strangers.erase(std::remove_if(m_strangers.begin(), m_strangers.end(),
                                     [&](DWORD id) {
                                         return std::none_of(m_listed.begin(), m_listed.end(),
                                                             [&](const Entry& listed) { return listed.id == id; });
                                     }),
                      m_strangers.end());

    for (const Entry& listed : m_listed) {
        // A member listed under another parent is a stranger that was given
        // the id of a child which ended before it could be opened.
        Member* member = Find(listed.id);
        if (member && member->parentId != 0 && member->parentId != listed.parentId)
            member->ended = true;
    }
    // Children may be listed before their parents: look again until no one
    // new is found.
    bool adopted = false;
    for (bool grew = true; grew;) {
        grew = false;
        for (const Entry& listed : m_listed) {
            const Member* parent = Find(listed.parentId);
            if (!parent || listed.id == 0 || Find(listed.id) || Contains(m_strangers, listed.id))
                continue;
            const ULONGLONG parentCreated = parent->created;
            HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, listed.id);
            const ULONGLONG created = CreationTime(process);
            // A process older than its parent was started by an earlier
            // process with the parent's id, not by the parent.
            if (created != 0 && parentCreated != 0 && created < parentCreated) {
                if (process)
                    CloseHandle(process);
                continue;
            }
            if (process)
                m_handles.emplace_back(process);
            m_members.push_back(Member{listed.id, listed.parentId, process, created, false});
            adopted = grew = true;
        }
    }
    return adopted;
}

bool ProcessFamily::AnyAlive()
{
    bool alive = false;
    for (Member& member : m_members) {
        if (member.ended)
            continue;
        if (member.process) {
            member.ended = HasEnded(member.process);
        } else {
            // One that would not open counts while the system lists it.
            member.ended = true;
            for (const Entry& listed : m_listed)
                member.ended = member.ended && !(listed.id == member.id && listed.parentId == member.parentId);
        }
        alive = alive || !member.ended;
    }
    return alive;
}

void ProcessFamily::WaitForAnEnd(DWORD timeoutMs) const
{
    // The eldest first: a launcher's end is seen at once, and its game found
    // in the next look.
    for (const Member& member : m_members) {
        if (!member.ended && member.process) {
            WaitForSingleObject(member.process, timeoutMs);
            return;
        }
    }
    Sleep(timeoutMs);
}

void ProcessFamily::WaitUntilAllEnded(DWORD pollMs)
{
    for (;;) {
        LookAtProcessList();
        if (!AnyAlive()) {
            // The last one may have started another just before it ended.
            if (!LookAtProcessList() || !AnyAlive())
                return;
        }
        WaitForAnEnd(pollMs);
    }
}
