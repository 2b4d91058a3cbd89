// How fast ScanSongs reads a reply of 10,000 records, complete or with a
// field missing from every record, next to one plain search over the same
// bytes (the practical limit) and the step-by-step reference scan.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>

#include "music/music_list.h"
#include "tests/music/reference_scan.h"
#include "tests/music/song_body.h"

namespace {

enum Missing { kNone, kSinger, kSongName };

std::string Body(int records, Missing missing) {
    std::string all;
    for (int i = 0; i < records; ++i) {
        const std::string n = std::to_string(i);
        const std::string singer = "\xD6\xDC\xBD\xDC\xC2\xD7 " + n;
        const std::string name = "\xC7\xE7\xCC\xEC " + n;
        const std::string url = "http&#58;//stream&#46;example&#46;com/song/" + n + "&#46;mp3";
        all += velmora_test::SongRecord(missing == kSinger ? nullptr : singer.c_str(),
                                        missing == kSongName ? nullptr : name.c_str(), url.c_str());
    }
    return velmora_test::SongBody(all);
}

void ScanSongsBench(benchmark::State& state, Missing missing) {
    const CString body(Body(static_cast<int>(state.range(0)), missing));
    size_t songs = 0;
    for (auto _ : state) {
        std::vector<CSongInfo> out = ScanSongs(body);
        songs = out.size();
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * body.GetLength());
    state.counters["songs"] = static_cast<double>(songs);
}

void ReferenceScanBench(benchmark::State& state, Missing missing) {
    const CString body(Body(static_cast<int>(state.range(0)), missing));
    for (auto _ : state) {
        std::vector<CSongInfo> out = velmora_reference::ScanSongs(body);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * body.GetLength());
}

// One search for a literal that is not there: every byte is looked at once.
void FindPass(benchmark::State& state) {
    const std::string body = Body(static_cast<int>(state.range(0)), kNone);
    for (auto _ : state)
        benchmark::DoNotOptimize(body.find("<xsinger_nane>"));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(body.size()));
}

#ifdef __GLIBC__
void MemmemPass(benchmark::State& state) {
    const std::string body = Body(static_cast<int>(state.range(0)), kNone);
    const char needle[] = "<xsinger_nane>";
    for (auto _ : state)
        benchmark::DoNotOptimize(memmem(body.data(), body.size(), needle, sizeof needle - 1));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(body.size()));
}
BENCHMARK(MemmemPass)->Arg(10000)->Unit(benchmark::kMillisecond);
#endif

} // namespace

BENCHMARK(FindPass)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ScanSongsBench, well_formed, kNone)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ScanSongsBench, no_singer, kSinger)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ScanSongsBench, no_song_name, kSongName)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ReferenceScanBench, well_formed, kNone)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond);
// Quadratic: each pass searches to the end for the missing tag.
BENCHMARK_CAPTURE(ReferenceScanBench, no_singer, kSinger)
    ->Arg(1000)
    ->Arg(2000)
    ->Arg(4000)
    ->Unit(benchmark::kMillisecond);
