// GoogleTest's own hook for a port, found before its empty default (cmake/VelmoraTesting.cmake).
// Its Notification needs std::mutex, which the Windows compiler without a thread library lacks:
// on Windows it is a manual-reset event instead.
#pragma once

// Through winsock2.h, which must come before windows.h in the tests that use sockets.
#include <winsock2.h>

#define GTEST_HAS_NOTIFICATION_ 1
namespace testing::internal {
struct Notification {
    HANDLE m_hEvent = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ~Notification() { ::CloseHandle(m_hEvent); }
    void Notify() { ::SetEvent(m_hEvent); }
    void WaitForNotification() { ::WaitForSingleObject(m_hEvent, INFINITE); }
};
} // namespace testing::internal
