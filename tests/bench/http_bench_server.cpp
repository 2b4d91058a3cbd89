// Serves one file, as it is, to every connection on a loopback port, closing each connection
// after sending it; prints the port and runs until killed. For scripts/bench-http.
#include <cstdio>

#include "tests/support/loopback_server.h"
#include "tests/support/scratch_dir.h"

int main(int argc, char** argv) {
    if (argc != 2)
        return std::fprintf(stderr, "usage: %s REPLY_FILE\n", argv[0]), 2;
    velmora_test::Options every;
    every.connections = 1 << 30;
    velmora_test::LoopbackServer server(
        {velmora_test::Step::Send(velmora_test::ReadBytes(argv[1]))}, every);
    std::printf("%u\n", static_cast<unsigned>(server.Port()));
    std::fflush(stdout);
    while (true)
        std::this_thread::sleep_for(std::chrono::hours(1));
}
