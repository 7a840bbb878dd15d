// The memory the tool takes for a large document: its peak stays within a fixed multiple of the document, and
// where the process may not have that much, every command ends with a message and leaves the document as it was.
// An import of a large file costs what the document it makes costs.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "child_process.h"
#include "document_generator.h"
#include "scratch_folder.h"
#include "util/text_codec.h"

namespace faults {
namespace {

constexpr const char* kDocTool = QELVO_DOC_TOOL;

constexpr const char* kWriter = QELVO_FAULT_WRITER;

struct Peak {
    int exitCode = -1;
    long kibibytes = 0;  // the largest resident set of the process
};

// Runs argv with its output thrown away and gives its exit code and its peak resident memory.
Peak peakOf(std::vector<std::string> argv) {
    argv.insert(argv.begin(), {kWriter, "peak"});
    const ChildResult result = run(argv);
    Peak peak;
    if (result.exitCode != 0 || std::sscanf(result.out.c_str(), "%d %ld", &peak.exitCode, &peak.kibibytes) != 2)
        peak.exitCode = -1;
    return peak;
}

// The peak memory of get, list and set on a document of about 25 MB, above that on a small one, as a multiple of
// the difference in size: what the document itself costs.
TEST(Memory, PeakIsAFixedMultipleOfTheDocument) {
    if (kSanitized)
        GTEST_SKIP() << "the sanitizers' own memory hides the figures";
    const ScratchFolder folder;
    const std::filesystem::path small = folder / "small.qelvo";
    const std::filesystem::path large = folder / "large.qelvo";
    writeBytes(small, bench::currentDocument(100));
    writeBytes(large, bench::currentDocument(30000));
    const double extra = static_cast<double>(std::filesystem::file_size(large) - std::filesystem::file_size(small));

    const struct {
        const char* name;
        std::vector<std::string> words;
        int exitCode;
        double limit;  // times the document
    } cases[] = {
        {"get", {"get", "ql_7", "nick"}, 0, 2.0},
        {"list", {"list"}, 0, 2.0},
        {"set", {"set", "ql_7", "memo", "changed"}, 0, 2.3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<long> kibibytes;
        for (const std::filesystem::path& document : {small, large}) {
            std::vector<std::string> argv = {kDocTool, document.string()};
            argv.insert(argv.end(), c.words.begin(), c.words.end());
            const Peak peak = peakOf(argv);
            ASSERT_EQ(peak.exitCode, c.exitCode) << document;
            kibibytes.push_back(peak.kibibytes);
        }
        const double times = static_cast<double>(kibibytes[1] - kibibytes[0]) * 1024 / extra;
        RecordProperty(std::string(c.name) + "TimesTheDocument", testing::PrintToString(times));
        std::printf("%s: %.2f times the document (%ld KiB against %ld KiB)\n", c.name, times, kibibytes[1],
                    kibibytes[0]);
        EXPECT_LE(times, c.limit + 0.05);
    }
}

// An AAF file of n records as other programs write them, in UTF-8: name, birth data, zone, memo, ten planets.
std::string aafFile(int n) {
    static const char* const kSigns[] = {"AR", "TA", "GE", "CN", "LE", "VI", "LI", "SC", "SG", "CP", "AQ", "PI"};
    static const char* const kPlanets[] = {"SO", "MO", "ME", "VE", "MA", "JU", "SA", "UR", "NE", "PL"};
    std::string file;
    char line[256];
    for (int i = 0; i < n; ++i) {
        std::snprintf(line, sizeof line, "#A93:\xE5\xBC\xA0\xE4\xB8\x89%d,*,m,%d.%d.%d,%d:%02d,Beijing,CN\r\n", i,
                      1 + i % 28, 1 + i % 12, 1900 + i % 120, i % 24, i % 60);
        file += line;
        file += "#B93:*,39n55,116e24,8he00,0\r\n#COM:\xE5\xA4\xA7\xE5\xAD\xA6\xE5\x90\x8C\xE5\xAD\xA6\r\n#LPOS:";
        for (int p = 0; p < 10; ++p) {
            std::snprintf(line, sizeof line, "%s%s%02d%s%02d:%02d", p == 0 ? "" : ",", kPlanets[p], (i + p) % 30,
                          kSigns[(i * 7 + p) % 12], (i + 3 * p) % 60, p);
            file += line;
        }
        file += "\r\n";
    }
    return file;
}

// The peak memory of an import into a new document, as a multiple of the difference in the documents made from a
// large and a small file: what the cards themselves cost, the file read included.
TEST(Memory, AnImportPeaksAtAFixedMultipleOfTheDocumentItMakes) {
    if (kSanitized)
        GTEST_SKIP() << "the sanitizers' own memory hides the figures";
    const ScratchFolder folder;
    std::vector<long> kibibytes;
    std::vector<std::uintmax_t> sizes;
    for (const int records : {100, 40000}) {
        SCOPED_TRACE(records);
        const std::filesystem::path file = folder / (std::to_string(records) + ".aaf");
        const std::filesystem::path document = folder / (std::to_string(records) + ".qelvo");
        writeBytes(file, aafFile(records));
        const Peak peak = peakOf({kDocTool, document.string(), "import", "aaf", file.string()});
        ASSERT_EQ(peak.exitCode, 0);
        kibibytes.push_back(peak.kibibytes);
        sizes.push_back(std::filesystem::file_size(document));
    }
    const double times =
        static_cast<double>(kibibytes[1] - kibibytes[0]) * 1024 / static_cast<double>(sizes[1] - sizes[0]);
    RecordProperty("importTimesTheDocument", testing::PrintToString(times));
    std::printf("import: %.2f times the document (%ld KiB against %ld KiB)\n", times, kibibytes[1], kibibytes[0]);
    EXPECT_LE(times, 2.3);
}

// More cards than free codes: 1,000,000 one-letter records in 2 MB. The import counts them before it makes any, so
// that it says so under an address-space limit of 150 MiB instead of running out of memory.
TEST(Memory, AnImportOfMoreCardsThanFreeCodesSaysSoWithoutMakingThem) {
    if (kSanitized)
        GTEST_SKIP() << "the sanitizers cannot run under an address-space limit";
    const ScratchFolder folder;
    std::string csv = "name\n";
    for (int i = 0; i < 1000000; ++i)
        csv += "a\n";
    writeBytes(folder / "many.csv", csv);
    const std::filesystem::path document = folder / "cards.qelvo";
    const std::string before = "[base]\r\nver=1.0.6.18\r\nnewcode=10001\r\nuLastInd=0\r\n";
    writeBytes(document, before);
    const ChildResult result = run({"/bin/sh", "-c", "ulimit -v 153600 && exec \"$0\" \"$@\"", kDocTool,
                                    document.string(), "import", "csv", (folder / "many.csv").string()});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_NE(result.err.find("980000"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("1000000"), std::string::npos) << result.err;
    EXPECT_EQ(readBytes(document), before);
}

// A 57 MB document under an address-space limit of 150 MiB.
TEST(Memory, TooLittleForTheDocumentEndsWithAMessage) {
    if (kSanitized)
        GTEST_SKIP() << "the sanitizers cannot run under an address-space limit";
    const ScratchFolder folder;
    const std::filesystem::path document = folder / "cards.qelvo";
    writeBytes(document, bench::currentDocument(88200));
    const std::optional<std::string> before = readBytes(document);
    ASSERT_TRUE(before);
    ASSERT_GT(before->size(), 56000000u);
    const std::string outOfMemory = util::gbkToUtf8("内存不足", true).value_or("");

    const std::vector<std::vector<std::string>> commands = {
        {"get", "ql_7", "nick"}, {"list"}, {"set", "ql_7", "memo", "changed"}, {"delete", "ql_8"}};
    int failed = 0;
    for (const std::vector<std::string>& command : commands) {
        SCOPED_TRACE(command[0]);
        std::vector<std::string> argv = {"/bin/sh", "-c", "ulimit -v 153600 && exec \"$0\" \"$@\"", kDocTool,
                                         document.string()};
        argv.insert(argv.end(), command.begin(), command.end());
        const ChildResult result = run(argv);
        EXPECT_EQ(result.signal, 0) << result.err;
        if (result.exitCode == 2) {
            EXPECT_NE(result.err.find(outOfMemory), std::string::npos) << result.err;
            ++failed;
        } else {
            EXPECT_EQ(result.exitCode, 0) << result.err;
        }
        if (command[0] == "get" || command[0] == "list" || result.exitCode != 0) {
            EXPECT_TRUE(readBytes(document) == before) << "the document changed";
        }
        EXPECT_EQ(entryNames(folder.path()), std::vector<std::string>{"cards.qelvo"});
    }
    EXPECT_GT(failed, 0) << "the limit never bit: the test shows nothing";
}

}  // namespace
}  // namespace faults
