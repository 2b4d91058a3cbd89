// A helper thread of a test: a loopback server, or a driver of a modal window. The Windows
// builds use the compiler without a thread library, which has no std::thread, so there it is a
// Win32 thread.
#pragma once

#include <functional>
#include <utility>
#ifdef _WIN32
#include <windows.h>
#else
#include <thread>
#endif

namespace velmora_test {

// Runs `body` at once; Join() or the destructor waits for it to end.
class TestThread {
public:
    explicit TestThread(std::function<void()> body) : m_body(std::move(body)) {
#ifdef _WIN32
        m_hThread = ::CreateThread(nullptr, 0, &Run, this, 0, nullptr);
#else
        m_thread = std::thread(m_body);
#endif
    }
    ~TestThread() { Join(); }
    void Join() {
#ifdef _WIN32
        if (m_hThread && ::WaitForSingleObject(m_hThread, INFINITE) == WAIT_OBJECT_0)
            ::CloseHandle(std::exchange(m_hThread, nullptr));
#else
        if (m_thread.joinable())
            m_thread.join();
#endif
    }

private:
    std::function<void()> m_body;
#ifdef _WIN32
    static DWORD WINAPI Run(void* pThis) {
        static_cast<TestThread*>(pThis)->m_body();
        return 0;
    }
    HANDLE m_hThread = nullptr;
#else
    std::thread m_thread;
#endif
};

} // namespace velmora_test
