// A document changed by another process behind the store's back, keeping its size, within the same second, and even
// with its old modification time put back.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>
#include <string>

#include <gtest/gtest.h>

#include "child_process.h"
#include "scratch_folder.h"
#include "store/chk_uid.h"

namespace faults {
namespace {

constexpr const char* kWriter = QELVO_FAULT_WRITER;
constexpr std::string_view kDocument = "[base]\r\nnick=aaaa\r\nsun=xxxx\r\n";

void changeBehind(const std::filesystem::path& document, const char* mode, std::vector<std::string> pairs) {
    std::vector<std::string> argv = {kWriter, document.string(), "overwrite", mode};
    argv.insert(argv.end(), pairs.begin(), pairs.end());
    const ChildResult result = run(argv);
    ASSERT_EQ(result.exitCode, 0) << result.err;
}

// Sets the modification time; 0 leaves it as it is.
void dateFile(const std::filesystem::path& path, std::time_t seconds) {
    if (seconds == 0)
        return;
    const timespec times[2] = {{seconds, 0}, {seconds, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

TEST(ChangedBehindTheStore, NextReadSeesTheNewValue) {
    const char* const modes[] = {"in-place", "keep-mtime", "replace-keep-mtime"};
    const struct {
        const char* name;
        std::time_t modified;  // 0: as written
        bool settle;           // the first read comes well after the last change of the file
    } datings[] = {
        {"just written", 0, false},
        {"settled", 0, true},
        {"dated on a whole second", 978307200, true},
        {"dated in the future", std::time(nullptr) + 3600, true},
    };
    for (const char* mode : modes) {
        for (const auto& dating : datings) {
            SCOPED_TRACE(testing::Message() << mode << ", " << dating.name);
            const ScratchFolder folder;
            const std::filesystem::path document = folder / "cards.qelvo";
            writeBytes(document, kDocument);
            dateFile(document, dating.modified);
            if (dating.settle)
                ::usleep(60000);

            CChkUid store;
            store.InitChkCfg(document, ".qelvo");
            EXPECT_EQ(store.GetMyKey("base", "nick"), "aaaa");
            changeBehind(document, mode, {"aaaa", "bbbb"});
            EXPECT_EQ(store.GetMyKey("base", "nick"), "bbbb");
            changeBehind(document, mode, {"bbbb", "cccc"});
            EXPECT_EQ(store.GetMyKey("base", "nick"), "cccc");
        }
    }
}

TEST(ChangedBehindTheStore, ReadScopeSeesOneVersionThroughout) {
    const ScratchFolder folder;
    const std::filesystem::path document = folder / "cards.qelvo";
    writeBytes(document, kDocument);
    CChkUid store;
    store.InitChkCfg(document, ".qelvo");
    {
        const store::IniFile::ReadScope scope(store.file());
        EXPECT_EQ(store.GetMyKey("base", "nick"), "aaaa");
        changeBehind(document, "keep-mtime", {"aaaa", "bbbb", "xxxx", "yyyy"});
        EXPECT_EQ(store.GetMyKey("base", "sun"), "xxxx");
        EXPECT_EQ(store.GetMyKey("base", "nick"), "aaaa");
    }
    EXPECT_EQ(store.GetMyKey("base", "nick"), "bbbb");
    EXPECT_EQ(store.GetMyKey("base", "sun"), "yyyy");
}

}  // namespace
}  // namespace faults
