// Benchmarks of the person search on a document of 100,000 persons: one search with the file unchanged (a common
// text with many matches, a rare one, and one found nowhere), and one search right after another process rewrote
// the file, beside the baseline of reading the file once. A table of ratios closes the run.
#include <benchmark/benchmark.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "bench_support.h"
#include "document_generator.h"
#include "records/person_search.h"
#include "store/chk_uid.h"
#include "store/file_io.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr std::int32_t kPersons = 100000;

const fs::path& documentPath() {
    static const fs::path path = [] {
        const fs::path file = bench::benchFolder("search-bench") / "persons.qelvo";
        bench::writeBytes(file, bench::currentDocument(kPersons));
        return file;
    }();
    return path;
}

std::map<std::string, std::vector<double>> gTimes;

void record(benchmark::State& state, const std::string& name, double seconds) {
    state.SetIterationTime(seconds);
    gTimes[name].push_back(seconds);
}

void BM_ReadFileOnce(benchmark::State& state) {
    for (auto _ : state) {
        const auto start = Clock::now();
        benchmark::DoNotOptimize(store::fileio::readFile(documentPath()));
        record(state, "read", std::chrono::duration<double>(Clock::now() - start).count());
    }
}

const char* const kTexts[] = {"北京", "张三4242", "不存在的人"};
const char* const kTextNames[] = {"common", "one", "none"};  // a third of the cards, one card, no card

void BM_SearchUnchanged(benchmark::State& state) {
    const char* text = kTexts[state.range(0)];
    CChkUid store;
    store.InitChkCfg(documentPath(), ".qelvo");
    records::PersonSearch search;
    search.find(store, text);
    search.find(store, text);  // past the first checks of a fresh stamp
    std::int32_t matches = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        matches = search.find(store, text).matches;
        record(state, std::string("unchanged ") + kTextNames[state.range(0)],
               std::chrono::duration<double>(Clock::now() - start).count());
    }
    state.counters["matches"] = matches;
}

void BM_SearchAfterChange(benchmark::State& state) {
    CChkUid store;
    store.InitChkCfg(documentPath(), ".qelvo");
    records::PersonSearch search;
    search.find(store, kTexts[0]);
    int generation = 0;
    for (auto _ : state) {
        state.PauseTiming();
        bench::rewriteByAnotherProcess(documentPath(), ++generation);
        state.ResumeTiming();
        const auto start = Clock::now();
        benchmark::DoNotOptimize(search.find(store, kTexts[0]));
        record(state, "after change", std::chrono::duration<double>(Clock::now() - start).count());
    }
}

BENCHMARK(BM_ReadFileOnce)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(8);
BENCHMARK(BM_SearchUnchanged)->DenseRange(0, 2)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(0.5);
BENCHMARK(BM_SearchAfterChange)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(8);

void printRatios() {
    const double read = bench::median(gTimes["read"]) * 1e3;
    std::printf("\nMedians, %d persons (one run, same machine)\n", static_cast<int>(kPersons));
    std::printf("read the file once         %8.2f ms\n", read);
    for (const char* name : kTextNames)
        std::printf("search unchanged, %-8s %8.2f ms\n", name,
                    bench::median(gTimes[std::string("unchanged ") + name]) * 1e3);
    const double changed = bench::median(gTimes["after change"]) * 1e3;
    std::printf("search after a change      %8.2f ms  (%.2f x read)\n", changed, changed / read);
    std::printf("targets: search unchanged <= 50 ms; search after a change <= 3x read\n");
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    printRatios();
    std::error_code ec;
    fs::remove_all(documentPath().parent_path(), ec);
    return 0;
}
