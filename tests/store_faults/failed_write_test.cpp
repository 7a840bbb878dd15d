// Writes that cannot be made: a full disk, a read-only document or folder, a missing folder, a folder where the
// document should be. Each fails, says why, and leaves the disk as it was.
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "child_process.h"
#include "generations.h"
#include "scratch_folder.h"

namespace faults {
namespace {

constexpr const char* kDocTool = QELVO_DOC_TOOL;
constexpr int kSamplePersons = 3;  // a document of several kilobytes

// The document's bytes (nullopt: absent) and the names in its folder.
struct DiskState {
    std::optional<std::string> bytes;
    std::vector<std::string> names;
};

DiskState diskState(const std::filesystem::path& document) {
    return {readBytes(document), entryNames(document.parent_path())};
}

void expectUnchanged(const DiskState& before, const std::filesystem::path& document) {
    const DiskState now = diskState(document);
    EXPECT_TRUE(now.bytes == before.bytes) << "the document changed";
    EXPECT_EQ(now.names, before.names) << "the folder changed";
}

std::vector<std::string> joined(std::vector<std::string> first, const std::vector<std::string>& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

// A file-size limit below what the write needs stands for a full disk.
TEST(FullDisk, SetMyKeyFailsWithAReasonAndLeavesTheDisk) {
    const struct {
        const char* name;
        int persons;  // in the document beforehand; 0: no document
    } cases[] = {{"existing document", kSamplePersons}, {"new document", 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ScratchFolder folder;
        const std::filesystem::path document = folder / "cards.qelvo";
        if (c.persons > 0) {
            ASSERT_TRUE(createDocument(document, c.persons));
        }
        const DiskState before = diskState(document);
        constexpr rlim_t kLimit = 1024;
        ASSERT_TRUE(!before.bytes || before.bytes->size() > kLimit);

        const std::optional<std::string> reply = inForkedProcess([&document] {
            const rlimit limit{kLimit, kLimit};
            ::signal(SIGXFSZ, SIG_IGN);
            if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
                return std::string("no limit");
            CChkUid store;
            store.InitChkCfg(document, ".qelvo");
            if (store.SetMyKey("ql_1", "memo", std::string(3000, 'm')))
                return std::string("saved");
            return "failed:" + store.lastError();
        });
        ASSERT_TRUE(reply);
        EXPECT_EQ(reply->rfind("failed:", 0), 0u) << *reply;
        EXPECT_GT(reply->size(), std::string("failed:").size()) << "no reason given";
        expectUnchanged(before, document);
    }
}

TEST(FullDisk, ToolFailsUnderAFileSizeLimit) {
    const ScratchFolder folder;
    const std::filesystem::path document = folder / "cards.qelvo";
    ASSERT_TRUE(createDocument(document, kSamplePersons));
    const DiskState before = diskState(document);

    // "ulimit -f 1" allows a file of 512 or 1024 bytes, depending on the shell; the document is larger.
    const ChildResult result = run({"/bin/sh", "-c", "ulimit -f 1 && exec \"$0\" \"$@\"", kDocTool, document.string(),
                                    "set", "ql_1", "memo", "changed"});
    EXPECT_EQ(result.exitCode, 2) << "signal " << result.signal;
    EXPECT_NE(result.err, "");
    expectUnchanged(before, document);
}

// Root ignores permission bits, but not the immutable attribute.
TEST(ReadOnly, ImmutableDocumentOrFolderRefusesTheWrite) {
    const std::optional<std::filesystem::path> parent = folderTakingImmutable();
    if (!parent)
        GTEST_SKIP() << "no folder here takes the immutable attribute (chattr +i)";
    for (const bool wholeFolder : {false, true}) {
        SCOPED_TRACE(wholeFolder ? "immutable folder" : "immutable document");
        const ScratchFolder folder(*parent);
        const std::filesystem::path document = folder / "cards.qelvo";
        ASSERT_TRUE(createDocument(document, kSamplePersons));
        const DiskState before = diskState(document);
        const Immutable immutable(wholeFolder ? folder.path() : document);
        ASSERT_TRUE(immutable.set());

        CChkUid store;
        store.InitChkCfg(document, ".qelvo");
        EXPECT_FALSE(store.SetMyKey("ql_1", "memo", "changed"));
        EXPECT_NE(store.lastError(), "");
        expectUnchanged(before, document);
    }
}

// Permission bits, with the tool run as an unprivileged user when the test runs as root.
TEST(ReadOnly, ToolRefusesAReadOnlyDocumentOrFolder) {
    const bool root = ::geteuid() == 0;
    const uid_t user = root ? 65534 : ::geteuid();
    const gid_t group = root ? 65534 : ::getegid();
    std::vector<std::string> asUser;
    if (root)
        asUser = {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};

    const struct {
        const char* name;
        unsigned documentMode;
        unsigned folderMode;
        int exitCode;
    } cases[] = {
        {"writable document in a writable folder", 0644, 0755, 0},
        {"read-only document", 0444, 0755, 2},
        {"writable document in a read-only folder", 0644, 0555, 2},
        {"read-only document in a read-only folder", 0444, 0555, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ScratchFolder scratch;
        std::filesystem::permissions(scratch.path(), std::filesystem::perms(0755));
        const std::filesystem::path folder = scratch / "cards";
        const std::filesystem::path document = folder / "cards.qelvo";
        std::filesystem::create_directory(folder);
        ASSERT_EQ(::chown(folder.c_str(), user, group), 0);
        const ChildResult probe = run(joined(asUser, {kDocTool, document.string(), "get", "base", "ver"}));
        if (probe.exitCode != 1)
            GTEST_SKIP() << "the tool does not run as an unprivileged user here: " << probe.err;

        ASSERT_TRUE(createDocument(document, kSamplePersons));
        ASSERT_EQ(::chown(document.c_str(), user, group), 0);
        std::filesystem::permissions(document, std::filesystem::perms(c.documentMode));
        std::filesystem::permissions(folder, std::filesystem::perms(c.folderMode));
        const DiskState before = diskState(document);

        const ChildResult result = run(joined(asUser, {kDocTool, document.string(), "set", "ql_1", "memo", "changed"}));
        EXPECT_EQ(result.exitCode, c.exitCode) << result.err;
        if (c.exitCode == 0) {
            CChkUid store;
            store.InitChkCfg(document, ".qelvo");
            EXPECT_EQ(store.GetMyKey("ql_1", "memo"), "changed");
        } else {
            EXPECT_NE(result.err, "");
            expectUnchanged(before, document);
        }
    }
}

TEST(MissingPlaces, WriteFailsAndCreatesNothing) {
    const struct {
        const char* name;
        const char* document;
        const char* folderMade;  // beforehand, or nullptr
        const char* fileMade;
    } cases[] = {
        {"missing folder", "absent/cards.qelvo", nullptr, nullptr},
        {"folder where the document should be", "cards.qelvo", "cards.qelvo", nullptr},
        {"file where the folder should be", "plain/cards.qelvo", nullptr, "plain"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ScratchFolder folder;
        if (c.folderMade)
            std::filesystem::create_directory(folder / c.folderMade);
        if (c.fileMade)
            writeBytes(folder / c.fileMade, "plain");
        const std::vector<std::string> before = entryNames(folder.path());

        CChkUid store;
        store.InitChkCfg(folder / c.document, ".qelvo");
        EXPECT_EQ(store.GetMyKey("base", "ver"), "");
        EXPECT_FALSE(store.SetMyKey("base", "ver", "1"));
        EXPECT_NE(store.lastError(), "");
        EXPECT_EQ(entryNames(folder.path()), before);
        if (c.folderMade) {
            EXPECT_EQ(entryNames(folder / c.folderMade), std::vector<std::string>{});
        }
        if (c.fileMade) {
            EXPECT_EQ(readBytes(folder / c.fileMade), "plain");
        }
    }
}

TEST(MissingPlaces, ReadCreatesNoDocument) {
    const ScratchFolder folder;
    CChkUid store;
    store.InitChkCfg(folder / "cards.qelvo", ".qelvo");
    EXPECT_EQ(store.GetMyKey("base", "ver"), "");
    EXPECT_EQ(store::readPerson(store, 1, store::DocumentForm::Current).texts, store::Person{}.texts);
    EXPECT_EQ(entryNames(folder.path()), std::vector<std::string>{});
}

}  // namespace
}  // namespace faults
