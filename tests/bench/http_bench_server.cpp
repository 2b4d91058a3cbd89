// Serves one file, as it is, to every connection on a loopback port, closing each connection
// after sending it; prints its host and port and runs until killed. For scripts/bench-http.
#include <cstdio>

#include "tests/support/loopback_server.h"
#include "tests/support/scratch_dir.h"

using namespace velmora_test;

int main(int argc, char** argv) {
    if (argc != 2)
        return std::fprintf(stderr, "usage: %s REPLY_FILE\n", argv[0]), 2;
    LoopbackServer server({Step::Send(ReadBytes(argv[1]))}, Options{1 << 30});
    std::printf("%s\n", server.HostAndPort().c_str());
    std::fflush(stdout);
    while (true)
        std::this_thread::sleep_for(std::chrono::hours(1));
}
