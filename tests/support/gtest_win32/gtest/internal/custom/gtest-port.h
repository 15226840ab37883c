// GoogleTest's hook for platform details, found before its own (empty) copy.
// The compilers' win32 thread model has no std::mutex or
// std::condition_variable, which GoogleTest's Notification (the signal that
// lets its threads start) is built on; this one is a Windows event.
#ifndef CORVANE_TESTS_GTEST_CUSTOM_PORT_H
#define CORVANE_TESTS_GTEST_CUSTOM_PORT_H

#include <windows.h>

#define GTEST_HAS_NOTIFICATION_ 1

namespace testing {
namespace internal {

class Notification {
public:
    Notification() : m_event(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
    ~Notification() { CloseHandle(m_event); }
    Notification(const Notification&) = delete;
    Notification& operator=(const Notification&) = delete;

    void Notify() { SetEvent(m_event); }
    void WaitForNotification() { WaitForSingleObject(m_event, INFINITE); }

private:
    HANDLE m_event;
};

}  // namespace internal
}  // namespace testing

#endif
