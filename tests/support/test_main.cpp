// The main of every test executable. A Windows one starts Windows Sockets first, as the program's
// start-up does. Its last act is to record its verdict (the status it then returns) on stdout:
// under Wine a finished process is now and then not ended, and an exception raised in a window
// procedure can end one with status 0 mid-case, so scripts/wine-test trusts only a status that
// matches a recorded verdict.
#ifdef _WIN32
#include <winsock2.h>
// A crash ends the process with its exception code, not in Wine's debugger, which would wait
// like a finished process that Wine did not end.
static LONG WINAPI EndOnCrash(EXCEPTION_POINTERS*) {
    return EXCEPTION_EXECUTE_HANDLER;
}
#endif

#include <gtest/gtest.h>

#include <cstdio>

int main(int argc, char** argv) {
#ifdef _WIN32
    ::SetUnhandledExceptionFilter(&EndOnCrash);
    WSADATA data;
    ::WSAStartup(MAKEWORD(2, 2), &data);
#endif
    ::testing::InitGoogleTest(&argc, argv);
    const int failed = RUN_ALL_TESTS();
    // 77 (ctest's SKIP_RETURN_CODE) when every case run was skipped, or none ran: not a pass.
    const auto& run = *::testing::UnitTest::GetInstance();
    const int status = failed || run.skipped_test_count() < run.test_to_run_count() ? failed : 77;
    if (!GTEST_FLAG_GET(list_tests)) // a listing is read by ctest line by line: no verdict in it
        std::printf("velmora-test-verdict %d\n", status);
    std::fflush(stdout);
    return status;
}
