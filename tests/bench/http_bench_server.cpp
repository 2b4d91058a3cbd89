// Serves one file, as it is, to every connection on a loopback port, closing each connection
// after sending it; prints the port and runs until killed. For scripts/bench-http.
#include <chrono>
#include <cstdio>
#include <thread>

#include "tests/support/loopback_server.h"
#include "tests/support/scratch_dir.h"

int main(int argc, char** argv) {
    const std::string reply = argc == 2 ? velmora_test::ReadBytes(argv[1]) : "";
    if (reply.empty())
        return std::fprintf(stderr, "usage: %s REPLY_FILE (not empty)\n", argv[0]), 2;
    velmora_test::Options every;
    every.connections = velmora_test::Options::kEveryConnection;
    velmora_test::LoopbackServer server({velmora_test::Step::Send(reply)}, every);
    std::printf("%u\n", static_cast<unsigned>(server.Port()));
    std::fflush(stdout);
    for (;;)
        std::this_thread::sleep_for(std::chrono::hours(1));
}
