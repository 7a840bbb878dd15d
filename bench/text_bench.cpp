// Benchmarks of the long texts a user can paste: a memo of 64 KB to 1 MB turned into the document's one line and
// back, shown from the list and saved through the main form on the headless window; and a typed birthday of 32,000
// characters to 1 MB normalised and parsed. Each should take time in proportion to its text.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "app/form_layout.h"
#include "app/main_form.h"
#include "bench_support.h"
#include "input/birthday_parser.h"
#include "link/message_transport.h"
#include "store/person_document.h"
#include "ui/headless/headless_window.h"
#include "util/clock.h"

namespace {

namespace fs = std::filesystem;

// A memo of about size bytes as the form holds it: lines of Chinese and ASCII text ending in "\r\n", a lone "\r"
// now and then, and "|" inside two-byte characters (GBK 81 7C), which must stay whole.
std::string memoOnForm(std::size_t size) {
    static const std::string kLine = "大学同学，住在北京 \x81\x7C 1991.1.2 notes\r\n";
    static const std::string kMacLine = "旧文\r";
    std::string memo;
    memo.reserve(size + kLine.size());
    for (std::size_t i = 0; memo.size() < size; ++i)
        memo += i % 8 == 7 ? kMacLine : kLine;
    return memo;
}

// A typed birthday of about size bytes: blanks of both widths, full-width commas and points, colons, and the date
// at the end, so the whole text is walked.
std::string longBirthday(std::size_t size) {
    static const std::string kFiller = " 　，。:";
    std::string text;
    text.reserve(size + kFiller.size() + 32);
    while (text.size() < size)
        text += kFiller;
    return text + "1991年1月2日，1255";
}

void BM_MemoToDocument(benchmark::State& state) {
    const std::string memo = memoOnForm(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(store::memoToDocument(memo));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
    state.SetComplexityN(state.range(0));
}

void BM_MemoFromDocument(benchmark::State& state) {
    const std::string stored = store::memoToDocument(memoOnForm(static_cast<std::size_t>(state.range(0))));
    for (auto _ : state)
        benchmark::DoNotOptimize(store::memoFromDocument(stored));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
    state.SetComplexityN(state.range(0));
}

struct Form {
    ui::headless::HeadlessWindow window{app::mainFormLayout()};
    util::SystemClock clock;
    calclink::LoopbackTransport transport;
    app::MainForm form{window, clock, transport};

    // The form on a document of one person whose memo is about size bytes.
    explicit Form(std::size_t size) {
        window.attach(&form);
        const fs::path path = bench::benchFolder("text-bench") / ("memo-" + std::to_string(size) + ".qelvo");
        const std::string bytes =
            "[base]\r\nver=1.0.6.18\r\nnewcode=10002\r\nuLastInd=1\r\n[ql_1]\r\nuInd=10001\r\n"
            "nick=张三\r\nmemo=" +
            store::memoToDocument(memoOnForm(size)) + "\r\n";
        std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        const std::u8string tail = path.u8string();
        form.initialize(std::string(tail.begin(), tail.end()));
    }
};

// A click on the listed person: the memo turned back into lines and put into its field.
void BM_FormShowMemo(benchmark::State& state) {
    Form f(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        f.window.clickRow(app::kIdPersonList, 0);
        benchmark::DoNotOptimize(f.window.text(app::kIdMemo).size());
    }
    state.SetComplexityN(state.range(0));
}

// The list read from the document, then the click: what opening the document and showing the person costs.
void BM_FormReadAndShowMemo(benchmark::State& state) {
    Form f(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        f.form.fillPersonList();
        f.window.clickRow(app::kIdPersonList, 0);
    }
    state.SetComplexityN(state.range(0));
}

// "保存" on the shown person: the fields taken, the memo turned into one line, the document replaced, the list
// read again.
void BM_FormSaveMemo(benchmark::State& state) {
    Form f(static_cast<std::size_t>(state.range(0)));
    f.window.clickRow(app::kIdPersonList, 0);
    for (auto _ : state)
        f.window.click(app::kIdSave);
    if (!f.window.dialogs().empty())
        state.SkipWithError("the save was refused");
    state.SetComplexityN(state.range(0));
}

void BM_BirthdayParse(benchmark::State& state) {
    const std::string text = longBirthday(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(input::parseBirthday(text));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
    state.SetComplexityN(state.range(0));
}

constexpr std::int64_t kKilo = 1024;

}  // namespace

BENCHMARK(BM_MemoToDocument)->RangeMultiplier(4)->Range(64 * kKilo, 1024 * kKilo)->Complexity(benchmark::oN);
BENCHMARK(BM_MemoFromDocument)->RangeMultiplier(4)->Range(64 * kKilo, 1024 * kKilo)->Complexity(benchmark::oN);
BENCHMARK(BM_FormShowMemo)
    ->RangeMultiplier(4)
    ->Range(64 * kKilo, 1024 * kKilo)
    ->Complexity(benchmark::oN)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FormReadAndShowMemo)
    ->RangeMultiplier(4)
    ->Range(64 * kKilo, 1024 * kKilo)
    ->Complexity(benchmark::oN)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FormSaveMemo)
    ->RangeMultiplier(4)
    ->Range(64 * kKilo, 1024 * kKilo)
    ->Complexity(benchmark::oN)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BirthdayParse)
    ->Arg(32000)
    ->Arg(128000)
    ->Arg(1024 * kKilo)
    ->Complexity(benchmark::oN)
    ->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code ignored;
    fs::remove_all(bench::benchFolder("text-bench"), ignored);
    return 0;
}
