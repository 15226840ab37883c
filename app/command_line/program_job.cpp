#include "app/command_line/program_job.h"

#include <utility>

namespace {

// How long a wait for the completion port's word lasts before the job's
// count is asked again: the system does not promise to deliver it.
const DWORD kRecountMs = 1000;

template <class Function>
void LookUp(Function& function, const char* name)
{
    function = reinterpret_cast<Function>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), name)));
}

}  // namespace

ProgramJob ProgramJob::Create()
{
    ProgramJob made;
    JobFunctions& f = made.m_functions;
    LookUp(f.createJobObject, "CreateJobObjectA");
    LookUp(f.assignProcess, "AssignProcessToJobObject");
    LookUp(f.setInformation, "SetInformationJobObject");
    LookUp(f.queryInformation, "QueryInformationJobObject");
    LookUp(f.createPort, "CreateIoCompletionPort");
    LookUp(f.waitForPort, "GetQueuedCompletionStatus");
    if (!f.createJobObject || !f.assignProcess || !f.setInformation || !f.queryInformation || !f.createPort ||
        !f.waitForPort)
        return made;
    OwnedHandle job(f.createJobObject(nullptr, nullptr));
    if (!job)
        return made;
    OwnedHandle port(f.createPort(INVALID_HANDLE_VALUE, nullptr, 0, 1));
    if (!port)
        return made;
    JOBOBJECT_ASSOCIATE_COMPLETION_PORT association{};
    association.CompletionKey = job.Get();
    association.CompletionPort = port.Get();
    if (!f.setInformation(job.Get(), JobObjectAssociateCompletionPortInformation, &association,
                          sizeof association))
        return made;
    made.m_job = std::move(job);
    made.m_port = std::move(port);
    return made;
}

bool ProgramJob::Adopt(HANDLE process)
{
    if (m_job && m_functions.assignProcess(m_job.Get(), process))
        return true;
    m_port = OwnedHandle();
    m_job = OwnedHandle();
    return false;
}

void ProgramJob::WaitUntilEmpty() const noexcept
{
    if (!m_job)
        return;
    const JobFunctions& f = m_functions;
    for (;;) {
        JOBOBJECT_BASIC_ACCOUNTING_INFORMATION accounting{};
        bool counted = f.queryInformation(m_job.Get(), JobObjectBasicAccountingInformation, &accounting,
                                          sizeof accounting, nullptr) != FALSE;
        if (counted && accounting.ActiveProcesses == 0)
            return;
        DWORD message = 0;
        ULONG_PTR key = 0;
        LPOVERLAPPED detail = nullptr;
        if (f.waitForPort(m_port.Get(), &message, &key, &detail, kRecountMs)) {
            if (key == reinterpret_cast<ULONG_PTR>(m_job.Get()) && message == JOB_OBJECT_MSG_ACTIVE_PROCESS_ZERO)
                return;
            continue;
        }
        if (GetLastError() == WAIT_TIMEOUT)
            continue;
        // The port does not answer: the count alone tells, asked as often.
        if (!counted)
            return;
        Sleep(kRecountMs);
    }
}
