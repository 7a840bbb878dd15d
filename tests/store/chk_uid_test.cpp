#include "store/chk_uid.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "scratch.h"
#include "store/file_io.h"

namespace {

using testing_support::readBytes;
using testing_support::ScratchFolder;
using testing_support::writeBytes;

TEST(ProfileStore, TakesTheGivenPathUnchanged) {
    ScratchFolder folder;
    CChkUid store;
    store.InitChkCfg(folder / "persons.txt", ".qelvo");
    EXPECT_EQ(store.documentPath(), folder / "persons.txt");
    EXPECT_EQ(store.programFolder(), CMvs().getAppPath(true));
}

TEST(ProfileStore, DefaultsToTheDocumentBesideTheProgram) {
    CChkUid store;
    store.InitChkCfg({}, ".qelvo");
    // The test program's folder is writable, so the default document is there.
    EXPECT_EQ(store.documentPath(), CMvs().getAppPath(true) / "cfg.qelvo");
}

TEST(ProfileStore, ReadsNothingFromAMissingDocumentAndCreatesNothing) {
    ScratchFolder folder;
    CChkUid store;
    store.InitChkCfg(folder / "none.qelvo", ".qelvo");
    EXPECT_EQ(store.GetMyKey("base", "newcode"), "");
    EXPECT_FALSE(std::filesystem::exists(folder / "none.qelvo"));
}

TEST(ProfileStore, WritesReplaceAndRemove) {
    ScratchFolder folder;
    CChkUid store;
    store.InitChkCfg(folder / "w.qelvo", ".qelvo");
    ASSERT_TRUE(store.SetMyKey("ql", "nick_1", "a"));
    EXPECT_EQ(readBytes(folder / "w.qelvo"), "[ql]\r\nnick_1=a\r\n");
    ASSERT_TRUE(store.SetMyKey("ql", "nick_1", "b"));
    ASSERT_TRUE(store.SetMyKey("ql", "memo_1", "c"));
    EXPECT_EQ(readBytes(folder / "w.qelvo"), "[ql]\r\nnick_1=b\r\nmemo_1=c\r\n");
    ASSERT_TRUE(store.delMyJie("ql", 7));
    EXPECT_EQ(readBytes(folder / "w.qelvo"), "[ql]\r\n");
    ASSERT_TRUE(store.delMyJie("ql", 3));
    EXPECT_EQ(readBytes(folder / "w.qelvo"), "");
}

TEST(ProfileStore, ReturnsLongValuesWhole) {
    ScratchFolder folder;
    CChkUid store;
    store.InitChkCfg(folder / "long.qelvo", ".qelvo");
    std::string memo;
    while (memo.size() < 3000)
        memo += "很长的备注|";
    ASSERT_TRUE(store.SetMyKey("ql_1", "memo", memo));
    EXPECT_EQ(store.GetMyKey("ql_1", "memo"), memo);
}

TEST(ProfileStore, ReportsAFailedWriteAndChangesNothing) {
    ScratchFolder folder;
    CChkUid store;
    store.InitChkCfg(folder / "missing" / "x.qelvo", ".qelvo");
    EXPECT_FALSE(store.SetMyKey("base", "ver", "1"));
    EXPECT_EQ(store.lastError(), "文件夹不存在");
    EXPECT_FALSE(std::filesystem::exists(folder / "missing"));
}

TEST(ProfileStore, KeepsTheEncodingOfTheFile) {
    ScratchFolder folder;
    const struct {
        const char* what;
        std::string before;
        std::string after;
    } cases[] = {
        {"UTF-8 mark kept, first section readable", "\xEF\xBB\xBF[base]\r\nver=1\r\n",
         "\xEF\xBB\xBF[base]\r\nver=1\r\nk=v\r\n"},
        {"UTF-16 little-endian",
         std::string("\xFF\xFE[\0b\0a\0s\0e\0]\0\r\0\n\0v\0e\0r\0=\0"
                     "1\0\r\0\n\0",
                     32),
         std::string("\xFF\xFE[\0b\0a\0s\0e\0]\0\r\0\n\0v\0e\0r\0=\0"
                     "1\0\r\0\n\0k\0=\0v\0\r\0\n\0",
                     42)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        writeBytes(folder / "enc.qelvo", c.before);
        CChkUid store;
        store.InitChkCfg(folder / "enc.qelvo", ".qelvo");
        EXPECT_EQ(store.GetMyKey("base", "ver"), "1");
        ASSERT_TRUE(store.SetMyKey("base", "k", "v"));
        EXPECT_EQ(readBytes(folder / "enc.qelvo"), c.after);
    }
}

TEST(ProfileStore, ConvertsUtf16TextsToGbk) {
    ScratchFolder folder;
    // [人] / 名=张 in UTF-16LE: 人 U+4EBA, 名 U+540D, 张 U+5F20.
    writeBytes(folder / "u.qelvo", std::string("\xFF\xFE[\0\xBA\x4E]\0\r\0\n\0\x0D\x54=\0\x20\x5F\r\0\n\0", 22));
    CChkUid store;
    store.InitChkCfg(folder / "u.qelvo", ".qelvo");
    EXPECT_EQ(store.GetMyKey("人", "名"), "张");
}

}  // namespace

namespace {

// A writer killed mid-write leaves its temporary file; the next write of the document takes it away, even one that
// changes nothing, and never a file of the user's that merely looks like one.
TEST(ProfileStore, ClearsTemporaryFilesLeftByADeadWriter) {
    const std::vector<std::string> usersFiles = {".t.qelvo.Ab12Cd", ".t.qelvo.backup", ".t.qelvo.2024-1",
                                                 ".t.qelvo.keep",   ".qelvo-tmp-mine", "t.qelvo.bak"};
    const struct {
        const char* name;
        const char* before;  // the document beforehand, or nullptr
        const char* value;
    } cases[] = {
        {"a write that changes the document", "[base]\r\nver=0\r\n", "1"},
        {"a write that changes nothing", "[base]\r\nver=0\r\n", "0"},
        {"the first write of a new document", nullptr, "1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchFolder folder;
        const std::filesystem::path document = folder / "t.qelvo";
        const std::string stale = store::fileio::temporaryName(document, "ab12cd34");
        if (c.before)
            writeBytes(document, c.before);
        writeBytes(folder / stale, "[half");
        for (const std::string& name : usersFiles)
            writeBytes(folder / name, "the user's");
        // The temporary file of a running write of another document in the same folder.
        const std::string othersTemporary = store::fileio::temporaryName(folder / "u.qelvo", "ab12cd34");
        writeBytes(folder / othersTemporary, "[half");

        CChkUid store;
        store.InitChkCfg(document, ".qelvo");
        ASSERT_TRUE(store.SetMyKey("base", "ver", c.value));
        EXPECT_FALSE(std::filesystem::exists(folder / stale));
        EXPECT_TRUE(std::filesystem::exists(folder / othersTemporary));
        for (const std::string& name : usersFiles) {
            EXPECT_EQ(readBytes(folder / name), "the user's") << name;
        }
    }
}

TEST(ProfileStore, TemporaryNamesHaveOneLengthForEveryDocument) {
    const std::string longest = std::string(255 - 6, 'n') + ".qelvo";
    for (const std::string& name : {std::string("a"), std::string("cards.qelvo"), longest}) {
        SCOPED_TRACE(name.size());
        const std::string temporary = store::fileio::temporaryName(name, "ab12cd34");
        EXPECT_EQ(temporary.size(), store::fileio::kTemporaryNameLength);
        EXPECT_TRUE(store::fileio::isTemporaryOf(temporary, name));
        EXPECT_FALSE(store::fileio::isTemporaryOf(temporary, "other" + name));
    }
}

}  // namespace
