// The main of every Windows test executable. The program's start-up starts Windows Sockets and
// nothing else does, so a test program starts them here, once, as start-up would.
#include <winsock2.h>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    WSADATA data;
    ::WSAStartup(MAKEWORD(2, 2), &data);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
