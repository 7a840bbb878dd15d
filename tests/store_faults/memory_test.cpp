// The memory the tool takes for a large document: its peak stays within a fixed multiple of the document, and
// where the process may not have that much, every command ends with a message and leaves the document as it was.
#include <cstdio>
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
