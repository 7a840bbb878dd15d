// Benchmarks of the main form's person list fill on the headless window: a list of 1000 rows from documents of
// 10,000 and 100,000 persons, and from a sparse document whose "uLastInd" stands at 980000; beside them the records
// alone, without the window.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>

#include "app/form_layout.h"
#include "app/main_form.h"
#include "bench_support.h"
#include "document_generator.h"
#include "link/message_transport.h"
#include "records/person_list.h"
#include "ui/headless/headless_window.h"
#include "util/clock.h"

namespace {

namespace fs = std::filesystem;

// Size 0 stands for the sparse document: three persons, the last index at 980000.
const fs::path& documentOf(std::int64_t persons) {
    static std::map<std::int64_t, fs::path> paths;
    fs::path& path = paths[persons];
    if (path.empty()) {
        path = bench::benchFolder("form-bench") / ("doc-" + std::to_string(persons) + ".qelvo");
        const std::string bytes = persons == 0 ? std::string(
                                                     "[base]\r\nver=1.0.6.18\r\nnewcode=990001\r\nuLastInd=980000\r\n"
                                                     "[ql_980000]\r\nuInd=990000\r\n[ql_1]\r\nuInd=10001\r\n")
                                               : bench::currentDocument(static_cast<std::int32_t>(persons));
        std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    return path;
}

struct Form {
    ui::headless::HeadlessWindow window{app::mainFormLayout()};
    util::SystemClock clock;
    calclink::LoopbackTransport transport;
    app::MainForm form{window, clock, transport};
};

void BM_FormListFill(benchmark::State& state) {
    Form f;
    const std::u8string path = documentOf(state.range(0)).u8string();
    f.form.initialize(std::string(path.begin(), path.end()));
    for (auto _ : state) {
        f.form.fillPersonList();
        benchmark::DoNotOptimize(f.window.rowCount(app::kIdPersonList));
    }
    state.counters["rows"] = f.window.rowCount(app::kIdPersonList);
}

void BM_RecordsListRead(benchmark::State& state) {
    CChkUid store;
    store.InitChkCfg(documentOf(state.range(0)), ".qelvo");
    for (auto _ : state)
        benchmark::DoNotOptimize(records::readPersonList(store));
}

}  // namespace

BENCHMARK(BM_FormListFill)->Arg(0)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RecordsListRead)->Arg(0)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code ignored;
    fs::remove_all(bench::benchFolder("form-bench"), ignored);
    return 0;
}
