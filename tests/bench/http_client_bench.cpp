// CHttpClient fetching a large reply from a loopback server that closes
// after sending it, in-process. scripts/bench-http compares it with curl.
#include <benchmark/benchmark.h>

#include <string>

#include "http/http_client.h"
#include "tests/support/loopback_server.h"

namespace {

void FetchBench(benchmark::State& state) {
    const std::string body(static_cast<size_t>(state.range(0)), 'x');
    const std::string reply =
        "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
    velmora_test::Options options;
    options.connections = velmora_test::Options::kEveryConnection;
    velmora_test::LoopbackServer server(
        {velmora_test::Step::Send(reply), velmora_test::Step::Close()}, options);
    const std::string url = "http://" + server.HostAndPort() + "/big";
    for (auto _ : state) {
        CHttpClient client;
        if (!client.Request(url.c_str()) || client.GetResponse().size() != reply.size()) {
            state.SkipWithError("request failed");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(reply.size()));
}

} // namespace

BENCHMARK(FetchBench)->Arg(4 << 20)->Unit(benchmark::kMillisecond)->UseRealTime();
