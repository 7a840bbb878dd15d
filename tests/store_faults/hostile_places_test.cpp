// Documents in places that make writing hard: names at the system's length limit, folders that may be written but
// not read, documents shared by a group, things that are not files, documents the user may not read, documents too
// large for the memory the process may take. Each write either happens whole or fails, saying why, and no write
// ever goes on without the document's lock.
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "child_process.h"
#include "generations.h"
#include "scratch_folder.h"
#include "util/text_codec.h"

namespace faults {
namespace {

constexpr const char* kDocTool = QELVO_DOC_TOOL;
constexpr const char* kWriter = QELVO_FAULT_WRITER;
constexpr std::string_view kDocument = "[base]\r\nver=1.0.6.18\r\nnick=old\r\n";

// A user of this system by name, or nullopt.
struct User {
    uid_t uid;
    gid_t gid;
};
std::optional<User> systemUser(const char* name) {
    const passwd* entry = ::getpwnam(name);
    if (entry == nullptr)
        return std::nullopt;
    return User{entry->pw_uid, entry->pw_gid};
}

// The words that run a program as uid with gid and the supplementary groups (the test runs as the administrator).
std::vector<std::string> asUser(uid_t uid, gid_t gid, const std::vector<gid_t>& groups, std::vector<std::string> argv) {
    std::vector<std::string> words = {"setpriv", "--reuid=" + std::to_string(uid), "--regid=" + std::to_string(gid)};
    if (groups.empty()) {
        words.push_back("--clear-groups");
    } else {
        std::string list;
        for (const gid_t group : groups)
            list += (list.empty() ? "" : ",") + std::to_string(group);
        words.push_back("--groups=" + list);
    }
    words.insert(words.end(), argv.begin(), argv.end());
    return words;
}

// Whether program runs as uid here (the build folder may be out of an unprivileged user's reach); the reason if not.
std::optional<std::string> cannotRunAs(uid_t uid, gid_t gid, const std::string& program) {
    if (::geteuid() != 0)
        return "the test must run as the administrator to act as other users";
    const ChildResult probe = run(asUser(uid, gid, {}, {program}));
    if (probe.exitCode != 2)
        return "the programs do not run as an unprivileged user here: " + probe.err;
    return std::nullopt;
}

std::string forTerminal(const char* gbk) {
    return util::gbkToUtf8(gbk, true).value_or(gbk);
}

TEST(LongNames, DocumentsAtTheLengthLimitsCanBeWrittenAgain) {
    const ScratchFolder scratch;
    // A name of NAME_MAX bytes; a path of PATH_MAX - 1 bytes with a short name at its end.
    const std::string longName = std::string(NAME_MAX - 6, 'n') + ".qelvo";
    std::filesystem::create_directory(scratch / "long");
    std::filesystem::path deep = scratch / "deep";
    const std::string shortName = "c.qelvo";
    while (deep.string().size() + 1 + 200 + 1 + shortName.size() < PATH_MAX - 1)
        deep /= std::string(200, 'd');
    deep /= std::string(PATH_MAX - 1 - deep.string().size() - 1 - shortName.size() - 1, 'e');
    std::filesystem::create_directories(deep);
    const std::filesystem::path deepDocument = deep / shortName;
    ASSERT_EQ(deepDocument.string().size(), static_cast<std::size_t>(PATH_MAX - 1));

    for (const std::filesystem::path& document : {scratch / "long" / longName, deepDocument}) {
        SCOPED_TRACE(document.filename().string().size());
        writeBytes(document, kDocument);
        CChkUid store;
        store.InitChkCfg(document, ".qelvo");
        EXPECT_EQ(store.GetMyKey("base", "nick"), "old");
        EXPECT_TRUE(store.SetMyKey("base", "nick", "first")) << store.lastError();
        EXPECT_TRUE(store.SetMyKey("base", "nick", "second")) << store.lastError();
        EXPECT_EQ(readBytes(document), "[base]\r\nver=1.0.6.18\r\nnick=second\r\n");
        EXPECT_EQ(entryNames(document.parent_path()), std::vector<std::string>{document.filename().string()});
    }
}

// A writer killed inside its write (by the signal of a file-size limit) leaves its temporary file; the next write,
// even one that changes nothing, takes it away and leaves the user's files that only look like one.
TEST(KilledWriter, ItsTemporaryFileGoesAndTheUsersFilesStay) {
    const std::vector<std::string> usersFiles = {".cards.qelvo.backup", ".cards.qelvo.2024-1", ".cards.qelvo.Ab12Cd",
                                                 ".qelvo-tmp-notes"};
    const ScratchFolder folder;
    const std::filesystem::path document = folder / "cards.qelvo";
    writeBytes(document, kDocument);
    for (const std::string& name : usersFiles)
        writeBytes(folder / name, "the user's");
    const std::vector<std::string> before = entryNames(folder.path());

    const std::optional<std::string> reply = inForkedProcess([&document] {
        const rlimit limit{4096, 4096};
        ::signal(SIGXFSZ, SIG_DFL);
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
            return std::string("no limit");
        CChkUid store;
        store.InitChkCfg(document, ".qelvo");
        store.SetMyKey("base", "memo", std::string(10000, 'm'));
        return std::string("not killed");
    });
    ASSERT_FALSE(reply) << *reply;
    std::vector<std::string> left = entryNames(folder.path());
    ASSERT_EQ(left.size(), before.size() + 1) << "no temporary file was left";
    EXPECT_EQ(readBytes(document), kDocument);

    CChkUid store;
    store.InitChkCfg(document, ".qelvo");
    ASSERT_TRUE(store.SetMyKey("base", "nick", "old"));  // changes nothing
    EXPECT_EQ(entryNames(folder.path()), before);
    for (const std::string& name : usersFiles) {
        EXPECT_EQ(readBytes(folder / name), "the user's") << name;
    }
}

// The writers may write and search the folder but not read it (mode 0300), so it cannot be opened to lock it.
TEST(UnreadableFolder, FourWritersLoseNoWrite) {
    constexpr uid_t kUser = 65534;
    constexpr gid_t kGroup = 65534;
    if (auto reason = cannotRunAs(kUser, kGroup, kWriter))
        GTEST_SKIP() << *reason;
    constexpr int kWriters = 4;
    constexpr int kRounds = 40;
    constexpr int kCount = 2;
    // The document exists, or the writers race to make it.
    for (const bool fresh : {false, true}) {
        SCOPED_TRACE(fresh ? "new document" : "existing document");
        const ScratchFolder scratch;
        std::filesystem::permissions(scratch.path(), std::filesystem::perms(0755));
        const std::filesystem::path folder = scratch / "drop";
        const std::filesystem::path document = folder / "cards.qelvo";
        std::filesystem::create_directory(folder);
        if (!fresh) {
            ASSERT_TRUE(createDocument(document, 0));
            ASSERT_EQ(::chown(document.c_str(), kUser, kGroup), 0);
        }
        ASSERT_EQ(::chown(folder.c_str(), kUser, kGroup), 0);
        std::filesystem::permissions(folder, std::filesystem::perms(0300));

        std::vector<ChildProcess> writers;
        for (int w = 0; w < kWriters; ++w) {
            auto writer =
                ChildProcess::start(asUser(kUser, kGroup, {},
                                           {kWriter, document.string(), "persons", std::to_string(1 + w * kCount),
                                            std::to_string(kCount), std::to_string(kRounds)}));
            ASSERT_TRUE(writer);
            writers.push_back(std::move(*writer));
        }
        for (ChildProcess& writer : writers) {
            const ChildResult result = writer.wait();
            EXPECT_EQ(result.exitCode, 0) << result.err;
        }

        std::filesystem::permissions(folder, std::filesystem::perms(0700));
        CChkUid store;
        store.InitChkCfg(document, ".qelvo");
        EXPECT_EQ(store.GetMyKey(store::kBaseSection, "hits"), std::to_string(kWriters * kRounds)) << "counts lost";
        for (int w = 0; w < kWriters; ++w) {
            const int first = 1 + w * kCount;
            for (int n = first; n < first + kCount; ++n) {
                int last = kRounds;
                while (first + last % kCount != n)
                    --last;
                EXPECT_EQ(personGeneration(store, n), last) << "person " << n;
            }
        }
        // No temporary file can be seen there, so none may be left behind by a finished write.
        EXPECT_EQ(entryNames(folder), std::vector<std::string>{"cards.qelvo"});
    }
}

// daemon owns the document; bin writes it as a member of its group. bin cannot give the new file to daemon, so it
// becomes bin's, in the document's group and with its permissions; that is allowed only where daemon, by the user
// database, belongs to that group and so keeps the access it had. Where the writer cannot keep the group, the
// group's members would lose theirs: refused too.
TEST(SharedDocument, AGroupMembersWriteKeepsTheGroupAndTheOwnersAccess) {
    const std::optional<User> owner = systemUser("daemon");
    const std::optional<User> member = systemUser("bin");
    const group* other = ::getgrnam("sys");
    if (!owner || !member || other == nullptr)
        GTEST_SKIP() << "the users daemon and bin and the group sys are needed";
    if (auto reason = cannotRunAs(member->uid, member->gid, kDocTool))
        GTEST_SKIP() << *reason;
    const gid_t sys = other->gr_gid;
    const group* sysGroup = ::getgrgid(sys);
    for (char** name = sysGroup->gr_mem; *name != nullptr; ++name) {
        if (std::string(*name) == "daemon")
            GTEST_SKIP() << "daemon belongs to the group sys here";
    }

    const struct {
        const char* name;
        User writer;
        gid_t group;   // of the document, which the writer belongs to, but the owner not always
        bool written;  // false: the write would lock the owner or the group out, and is refused
    } cases[] = {
        {"bin, in a group the owner belongs to", *member, owner->gid, true},
        {"bin, in a group the owner does not belong to", *member, sys, false},
        {"the owner, not in the document's group", *owner, sys, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ScratchFolder scratch;
        std::filesystem::permissions(scratch.path(), std::filesystem::perms(0755));
        const std::filesystem::path folder = scratch / "shared";
        const std::filesystem::path document = folder / "cards.qelvo";
        std::filesystem::create_directory(folder);
        writeBytes(document, kDocument);
        ASSERT_EQ(::chown(folder.c_str(), owner->uid, c.group), 0);
        ASSERT_EQ(::chown(document.c_str(), owner->uid, c.group), 0);
        std::filesystem::permissions(folder, std::filesystem::perms(0770));
        std::filesystem::permissions(document, std::filesystem::perms(0660));

        const std::vector<gid_t> writersGroups =
            c.writer.uid == owner->uid ? std::vector<gid_t>{owner->gid} : std::vector<gid_t>{member->gid, c.group};
        const ChildResult write = run(asUser(c.writer.uid, c.writer.gid, writersGroups,
                                             {kDocTool, document.string(), "set", "base", "nick", "new"}));
        struct stat st {};
        ASSERT_EQ(::stat(document.c_str(), &st), 0);
        EXPECT_EQ(st.st_gid, c.group);
        EXPECT_EQ(st.st_mode & 07777, 0660u);
        EXPECT_EQ(entryNames(folder), std::vector<std::string>{"cards.qelvo"});
        if (c.written) {
            EXPECT_EQ(write.exitCode, 0) << write.err;
            // The owner, by its own groups only, still reads and writes it.
            const ChildResult read =
                run(asUser(owner->uid, owner->gid, {owner->gid}, {kDocTool, document.string(), "get", "base", "nick"}));
            EXPECT_EQ(read.exitCode, 0) << read.err;
            EXPECT_EQ(read.out, "new");
        } else {
            EXPECT_EQ(write.exitCode, 2) << write.err;
            EXPECT_NE(write.err, "");
            EXPECT_EQ(st.st_uid, owner->uid);
            EXPECT_EQ(readBytes(document), kDocument);
        }
    }
}

// A pipe, endless and empty devices, through a symbolic link or as the document's own path: every command fails at
// once with a message and leaves them as they are. The devices are the test's own nodes of the system's zero and
// null devices, so that a fault could never replace the system's.
TEST(NotAFile, EveryCommandRefusesIt) {
    const ScratchFolder folder;
    ASSERT_EQ(::mkfifo((folder / "pipe").c_str(), 0600), 0);
    std::vector<std::string> names = {"pipe"};
    for (const auto& [device, minor] : {std::pair<const char*, unsigned>{"zero", 5}, {"null", 3}}) {
        const std::filesystem::path node = folder / device;
        if (::mknod(node.c_str(), S_IFCHR | 0666, ::makedev(1, minor)) == 0) {
            const int fd = ::open(node.c_str(), O_RDONLY | O_NONBLOCK);
            if (fd >= 0) {
                ::close(fd);
                names.push_back(device);
                continue;
            }
        }
        std::printf("no device node of our own here: %s left out\n", device);
        std::filesystem::remove(node);
    }
    const std::vector<std::string> nodes = names;
    for (const std::string& name : nodes) {
        std::filesystem::create_symlink(name, folder / ("to-" + name + ".qelvo"));
        names.push_back("to-" + name + ".qelvo");
    }
    const std::vector<std::string> before = entryNames(folder.path());
    const std::vector<std::vector<std::string>> commands = {
        {"get", "base", "ver"}, {"list"}, {"set", "base", "ver", "1"}, {"delete", "base"}};
    for (const std::string& name : names) {
        for (const std::vector<std::string>& command : commands) {
            SCOPED_TRACE(name + " " + command[0]);
            // Bounded in time, and in memory where the sanitizers do not need the whole address space.
            const std::string limited = kSanitized ? "exec \"$0\" \"$@\"" : "ulimit -v 2000000 && exec \"$0\" \"$@\"";
            std::vector<std::string> argv = {
                "timeout", "-s", "KILL", "20", "/bin/sh", "-c", limited, kDocTool, (folder / name).string()};
            argv.insert(argv.end(), command.begin(), command.end());
            const ChildResult result = run(argv);
            EXPECT_EQ(result.exitCode, 2) << "signal " << result.signal << " " << result.err;
            EXPECT_NE(result.err.find(forTerminal("不是普通文件")), std::string::npos) << result.err;
        }
    }
    EXPECT_EQ(entryNames(folder.path()), before);
    for (const std::string& name : names) {
        struct stat st {};
        ASSERT_EQ(::lstat((folder / name).c_str(), &st), 0);
        EXPECT_FALSE(S_ISREG(st.st_mode)) << name << " was replaced by a file";
    }
}

// What the store says when the document may not be read, as a user who may not.
TEST(UnreadableDocument, ReadsAndWritesSayItCannotBeRead) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "the test must run as the administrator to act as another user";
    const ScratchFolder folder;
    std::filesystem::permissions(folder.path(), std::filesystem::perms(0777));
    const std::filesystem::path document = folder / "cards.qelvo";
    writeBytes(document, kDocument);
    std::filesystem::permissions(document, std::filesystem::perms(0222));
    const std::optional<std::string> reply = inForkedProcess([&document] {
        if (::setgroups(0, nullptr) != 0 || ::setresgid(65534, 65534, 65534) != 0 ||
            ::setresuid(65534, 65534, 65534) != 0)
            return std::string("cannot become another user");
        CChkUid store;
        store.InitChkCfg(document, ".qelvo");
        std::string said = store.GetMyKey("base", "ver") + "|" + store.lastError() + "|";
        said += store.SetMyKey("base", "ver", "2") ? "written" : store.lastError();
        return said;
    });
    ASSERT_TRUE(reply);
    const std::string cannotRead = "没有读取权限";
    EXPECT_EQ(*reply, "|" + cannotRead + "|" + cannotRead);
    std::filesystem::permissions(document, std::filesystem::perms(0600));
    EXPECT_EQ(readBytes(document), kDocument);
}

}  // namespace
}  // namespace faults
