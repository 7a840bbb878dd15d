// Benchmarks of the place atlas: opening it (reading and checking the whole file, as the first look-up does), and
// one look-up of a drop-down's 20 matches over all places: beginnings of 1 to 4 letters, Chinese names and their
// beginnings, whole Latin names, texts narrowed by a country, and a text found nowhere.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "place/atlas.h"

namespace {

constexpr const char* kAtlasFile = QELVO_ATLAS_FILE;

void BM_Open(benchmark::State& state) {
    for (auto _ : state) {
        place::Atlas atlas(kAtlasFile);
        benchmark::DoNotOptimize(atlas.isOpen());
    }
}
BENCHMARK(BM_Open)->Unit(benchmark::kMillisecond);

place::Atlas& openAtlas() {
    static place::Atlas atlas(kAtlasFile);
    return atlas;
}

void BM_Find(benchmark::State& state, const char* text) {
    place::Atlas& atlas = openAtlas();
    std::size_t matches = 0;
    for (auto _ : state) {
        const place::PlaceLookup lookup = atlas.find(text, 20);
        matches = lookup.matches.size();
        benchmark::DoNotOptimize(matches);
    }
    state.counters["matches"] = static_cast<double>(matches);
}

// Latin beginnings of 1 to 4 letters: "s" and "sa" are among the longest runs of keys.
BENCHMARK_CAPTURE(BM_Find, s, "s")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Find, sa, "sa")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Find, san, "san")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Find, sant, "sant")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Find, a, "a")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Find, new_york, "new york")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Find, zurich_umlaut, "Zürich")->Unit(benchmark::kMicrosecond);
// Chinese names and beginnings.
BENCHMARK_CAPTURE(BM_Find, bei, "北")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Find, beijing, "北京")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Find, shantou_traditional, "汕頭")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Find, urumqi, "乌鲁木齐")->Unit(benchmark::kMicrosecond);
// Narrowed by a country, also with a one-letter beginning.
BENCHMARK_CAPTURE(BM_Find, us_new_york, "美国 纽约")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Find, cn_shantou, "中国 汕头")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Find, us_s, "美国 s")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Find, cn_s, "中国 s")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Find, yunnan_foshan, "云南 佛山")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Find, nowhere, "星盘卡片")->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    if (std::string(kAtlasFile).empty()) {
        std::puts("atlas_bench: this build has no place atlas (scripts/install-deps fetches its source)");
        return 0;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
