#pragma once
// A job object that holds a program and every process it starts, and they
// start in turn, however short their lives: Windows 2000 and later count
// them all, so the wait for a game started through a chain of helpers ends
// only when the last of them has ended. Windows 95, 98 and ME have no job
// objects; their kernel32 lacks the functions, which are therefore looked up
// at run time, so that the program still loads there.
#include <windows.h>

#include "app/command_line/owned_handle.h"

class ProgramJob {
public:
    // No job.
    ProgramJob() = default;
    // An empty job, with a completion port that says when it holds no
    // process; none (false) where the system has no job objects or cannot
    // make one.
    static ProgramJob Create();
    ProgramJob(ProgramJob&&) = default;
    ProgramJob& operator=(ProgramJob&&) = default;

    explicit operator bool() const { return static_cast<bool>(m_job); }

    // Puts a process, created suspended so that it has started nothing yet,
    // into the job. False when the system refuses it (Windows XP puts no
    // process that is already in a job into another); the job is then of
    // no use.
    bool Adopt(HANDLE process);
    // Waits until no process of the job is left. Never raises; returns at
    // once when the job cannot be asked.
    void WaitUntilEmpty() const noexcept;

private:
    // The job functions, looked up for each job where the system has them.
    struct JobFunctions {
        decltype(&CreateJobObjectA) createJobObject = nullptr;
        decltype(&AssignProcessToJobObject) assignProcess = nullptr;
        decltype(&SetInformationJobObject) setInformation = nullptr;
        decltype(&QueryInformationJobObject) queryInformation = nullptr;
        decltype(&CreateIoCompletionPort) createPort = nullptr;
        decltype(&GetQueuedCompletionStatus) waitForPort = nullptr;
    };
    JobFunctions m_functions;
    OwnedHandle m_job;
    OwnedHandle m_port;
};
