// Serves one file, as it is, to every connection on a loopback port, closing
// each connection after sending it; prints the port and runs until killed.
// For scripts/bench-http.
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "tests/support/loopback_server.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s REPLY_FILE\n", argv[0]);
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    const std::string reply((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (reply.empty()) {
        std::fprintf(stderr, "%s: cannot read %s\n", argv[0], argv[1]);
        return 2;
    }
    velmora_test::Options options;
    options.connections = velmora_test::Options::kEveryConnection;
    velmora_test::LoopbackServer server(
        {velmora_test::Step::Send(reply), velmora_test::Step::Close()}, options);
    std::printf("%u\n", static_cast<unsigned>(server.Port()));
    std::fflush(stdout);
    for (;;)
        std::this_thread::sleep_for(std::chrono::hours(1));
}
