// http_fetch [--time] URL: fetches the URL with CHttpClient, once per run like curl, and discards
// the reply; exits 0 when the request succeeded. With --time it prints how long the request
// itself took, in seconds, as curl's -w '%{time_total}' does. For scripts/bench-http.
#include <chrono>
#include <cstdio>
#include <string>

#include "http/http_client.h"

int main(int argc, char** argv) {
    const bool timed = argc == 3 && std::string(argv[1]) == "--time";
    const auto start = std::chrono::steady_clock::now();
    const bool ok = CHttpClient().Request(argv[argc - 1]);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    if (timed)
        std::printf("%.6f\n", took.count());
    return ok ? 0 : 1;
}
