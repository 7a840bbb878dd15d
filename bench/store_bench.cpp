// Benchmarks of the person document store on documents of 1,000, 10,000 and 100,000 persons: one list fill
// (2 base reads and 36 reads for each of the top 1000 persons) with the file unchanged and right after another
// process rewrote it, one save of a person, and the upgrade of an old-form document; beside them the baselines of
// reading the file once and of reading and writing it once. A table of ratios to the baselines closes the run.
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
#include "store/chk_uid.h"
#include "store/document_upgrade.h"
#include "store/file_io.h"
#include "store/person_document.h"
#include "util/c_number.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr std::int32_t kListRows = 1000;
const std::vector<std::int32_t> kSizes = {1000, 10000, 100000};

const fs::path& currentDocumentPath(std::int32_t persons) {
    static std::map<std::int32_t, fs::path> paths;
    auto& path = paths[persons];
    if (path.empty()) {
        path = bench::benchFolder("bench") / ("current-" + std::to_string(persons) + ".qelvo");
        bench::writeBytes(path, bench::currentDocument(persons));
    }
    return path;
}

const std::string& oldDocumentBytes(std::int32_t persons) {
    static std::map<std::int32_t, std::string> docs;
    auto& bytes = docs[persons];
    if (bytes.empty())
        bytes = bench::oldDocument(persons);
    return bytes;
}

// Seconds per iteration of each benchmark, for the closing table.
std::map<std::string, std::vector<double>> gTimes;

template <typename Body>
void timed(benchmark::State& state, const std::string& name, Body body) {
    for (auto _ : state) {
        const auto start = Clock::now();
        body(state);
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        state.SetIterationTime(seconds);
        gTimes[name].push_back(seconds);
    }
}

std::string key(const char* what, std::int32_t persons) {
    return std::string(what) + "/" + std::to_string(persons);
}

void fillPersonList(CChkUid& store, bool scoped) {
    std::optional<store::IniFile::ReadScope> scope;
    if (scoped)
        scope.emplace(store.file());
    const std::int32_t last = util::readCInt(store.GetMyKey("base", "uLastInd"));
    const store::DocumentForm form = store::documentForm(store);
    for (std::int32_t n = last, rows = 0; n >= 1 && rows < kListRows; --n, ++rows)
        benchmark::DoNotOptimize(store::readPerson(store, n, form));
}

void BM_ReadFileOnce(benchmark::State& state) {
    const auto persons = static_cast<std::int32_t>(state.range(0));
    const fs::path& path = currentDocumentPath(persons);
    timed(state, key("read", persons),
          [&](benchmark::State&) { benchmark::DoNotOptimize(store::fileio::readFile(path)); });
}

void BM_ReadAndWriteFileOnce(benchmark::State& state) {
    const auto persons = static_cast<std::int32_t>(state.range(0));
    const fs::path& path = currentDocumentPath(persons);
    timed(state, key("read+write", persons), [&](benchmark::State&) {
        const auto read = store::fileio::readFile(path);
        store::fileio::replaceFile(path, read.bytes);
    });
}

void BM_ListFillUnchanged(benchmark::State& state) {
    const auto persons = static_cast<std::int32_t>(state.range(0));
    CChkUid store;
    store.InitChkCfg(currentDocumentPath(persons), ".qelvo");
    fillPersonList(store, true);
    fillPersonList(store, true);  // past the first checks of a fresh stamp
    timed(state, key("fill unchanged", persons), [&](benchmark::State&) { fillPersonList(store, true); });
}

void BM_ListFillUnchangedUnscoped(benchmark::State& state) {
    const auto persons = static_cast<std::int32_t>(state.range(0));
    CChkUid store;
    store.InitChkCfg(currentDocumentPath(persons), ".qelvo");
    fillPersonList(store, false);
    fillPersonList(store, false);
    timed(state, key("fill unchanged, file checked per read", persons),
          [&](benchmark::State&) { fillPersonList(store, false); });
}

void BM_ListFillAfterChange(benchmark::State& state) {
    const auto persons = static_cast<std::int32_t>(state.range(0));
    const fs::path& path = currentDocumentPath(persons);
    CChkUid store;
    store.InitChkCfg(path, ".qelvo");
    fillPersonList(store, true);
    int generation = 0;
    for (auto _ : state) {
        state.PauseTiming();
        bench::rewriteByAnotherProcess(path, ++generation);
        state.ResumeTiming();
        const auto start = Clock::now();
        fillPersonList(store, true);
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        state.SetIterationTime(seconds);
        gTimes[key("fill after change", persons)].push_back(seconds);
    }
}

void BM_SavePerson(benchmark::State& state) {
    const auto persons = static_cast<std::int32_t>(state.range(0));
    CChkUid store;
    store.InitChkCfg(currentDocumentPath(persons), ".qelvo");
    store::Person person = bench::samplePerson(persons / 2);
    int generation = 0;
    timed(state, key("save", persons), [&](benchmark::State&) {
        person[store::PersonKey::Nick] = "张三" + std::to_string(++generation);
        auto edits = store::personEdits(person, persons / 2, store::DocumentForm::Current);
        edits.push_back(store::IniEdit::set("base", "uLastInd", store::formatCode(persons)));
        edits.push_back(store::IniEdit::set("base", "newcode", store::formatCode(persons + store::kFirstCode)));
        if (!store.SetMyKeys(edits))
            std::fprintf(stderr, "save failed: %s\n", store.lastError().c_str());
    });
}

void BM_Upgrade(benchmark::State& state) {
    const auto persons = static_cast<std::int32_t>(state.range(0));
    const fs::path path = bench::benchFolder("bench") / ("old-" + std::to_string(persons) + ".qelvo");
    for (auto _ : state) {
        state.PauseTiming();
        bench::writeBytes(path, oldDocumentBytes(persons));
        ::sync();  // the old document's own write-back must not land in the upgrade's flush
        CChkUid store;
        store.InitChkCfg(path, ".qelvo");
        state.ResumeTiming();
        const auto start = Clock::now();
        if (store::upgradeDocument(store) != store::UpgradeOutcome::Upgraded)
            std::fprintf(stderr, "upgrade failed: %s\n", store.lastError().c_str());
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        state.SetIterationTime(seconds);
        gTimes[key("upgrade", persons)].push_back(seconds);
    }
}

void sizes(benchmark::internal::Benchmark* b) {
    for (std::int32_t persons : kSizes)
        b->Arg(persons);
    b->UseManualTime()->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_ReadFileOnce)->Apply(sizes)->MinTime(0.5);
BENCHMARK(BM_ReadAndWriteFileOnce)->Apply(sizes)->MinTime(0.5);
BENCHMARK(BM_ListFillUnchanged)->Apply(sizes)->MinTime(0.5);
BENCHMARK(BM_ListFillUnchangedUnscoped)->Apply(sizes)->MinTime(0.5);
BENCHMARK(BM_ListFillAfterChange)->Apply(sizes)->MinTime(0.5);
BENCHMARK(BM_SavePerson)->Apply(sizes)->MinTime(0.5);
BENCHMARK(BM_Upgrade)->Apply(sizes)->Iterations(3);

void printRatios() {
    std::printf("\nMedians and ratios (one run, same machine)\n");
    std::printf("%-8s %10s %12s %14s %10s %14s %10s %9s %12s %11s\n", "persons", "read ms", "read+write ms",
                "fill same ms", "fill chg ms", "fill chg/read", "save ms", "save/rw", "upgrade ms", "upgrade/rw");
    for (std::int32_t persons : kSizes) {
        const double read = bench::median(gTimes[key("read", persons)]) * 1e3;
        const double rw = bench::median(gTimes[key("read+write", persons)]) * 1e3;
        const double same = bench::median(gTimes[key("fill unchanged", persons)]) * 1e3;
        const double changed = bench::median(gTimes[key("fill after change", persons)]) * 1e3;
        const double save = bench::median(gTimes[key("save", persons)]) * 1e3;
        const double upgrade = bench::median(gTimes[key("upgrade", persons)]) * 1e3;
        std::printf("%-8d %10.2f %12.2f %14.2f %10.2f %14.2f %10.2f %9.2f %12.1f %11.2f\n", persons, read, rw, same,
                    changed, changed / read, save, save / rw, upgrade, upgrade / rw);
    }
    std::printf(
        "targets: fill after change <= 3x read; fill unchanged <= 10 ms at 100000; save <= 3x read+write; "
        "upgrade <= 5x read+write\n");
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
    fs::remove_all(bench::benchFolder("bench"), ec);
    return 0;
}
