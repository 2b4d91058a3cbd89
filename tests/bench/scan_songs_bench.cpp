// How fast ScanSongs reads a reply of 10,000 records, complete or with the singer missing from
// every record, next to one plain search over the same bytes (the practical limit).
#include <benchmark/benchmark.h>

#include "music/music_list.h"
#include "tests/music/song_body.h"

template <class Scan> void Bench(benchmark::State& state, Scan scan, bool noSinger) {
    std::string records;
    for (int i = 0; i < state.range(0); ++i) {
        const std::string n = std::to_string(i), singer = "\xD6\xDC\xBD\xDC\xC2\xD7 " + n;
        records += velmora_test::SongRecord(noSinger ? nullptr : singer.c_str(), n.c_str(),
                                            ("http&#58;//stream&#46;example/" + n).c_str());
    }
    const CString body(velmora_test::SongBody(records));
    for (auto _ : state)
        benchmark::DoNotOptimize(scan(body));
    state.SetBytesProcessed(state.iterations() * body.GetLength());
}

// One search for a literal that is not there: every byte is looked at once.
auto find = [](const CString& body) { return body.str().find("<xsinger_nane>"); };
auto scan = [](const CString& body) { return ScanSongs(body).size(); };

BENCHMARK_CAPTURE(Bench, find_pass, find, false)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Bench, well_formed, scan, false)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Bench, no_singer, scan, true)->Arg(10000)->Unit(benchmark::kMillisecond);
