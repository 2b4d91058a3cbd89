// A helper thread of a test: a loopback server, or a driver of a modal window. The Windows
// builds use the compiler without a thread library, which has no std::thread, so there it is a
// Win32 thread. Join() or the destructor waits for it to end.
#pragma once

#include <functional>
#include <thread>
#include <utility>

namespace velmora_test {

#ifdef _WIN32
class TestThread {
public:
    explicit TestThread(std::function<void()> body)
        : m_body(std::move(body)), m_hThread(::CreateThread(nullptr, 0, &Run, this, 0, nullptr)) {}
    ~TestThread() { Join(); }
    void Join() {
        if (m_hThread && ::WaitForSingleObject(m_hThread, INFINITE) == WAIT_OBJECT_0)
            ::CloseHandle(std::exchange(m_hThread, nullptr));
    }

private:
    static DWORD WINAPI Run(void* pThis) { return static_cast<TestThread*>(pThis)->m_body(), 0; }
    std::function<void()> m_body;
    HANDLE m_hThread;
};
#else
struct TestThread : std::thread {
    using std::thread::thread;
    ~TestThread() { Join(); }
    void Join() {
        if (joinable())
            join();
    }
};
#endif

} // namespace velmora_test
