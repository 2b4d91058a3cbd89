// GoogleTest's own hook for a port, found before its empty default (cmake/VelmoraTesting.cmake).
// Its Notification needs std::mutex, which the Windows compiler without a thread library lacks;
// it serves only GoogleTest's own thread helpers, which no test here uses, so a flag will do.
#pragma once

#include <atomic>
#include <thread>

#define GTEST_HAS_NOTIFICATION_ 1
namespace testing::internal {
struct Notification {
    std::atomic<bool> m_bNotified{false};
    void Notify() { m_bNotified = true; }
    void WaitForNotification() {
        while (!m_bNotified)
            std::this_thread::yield();
    }
};
} // namespace testing::internal
