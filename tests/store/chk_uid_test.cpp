#include "store/chk_uid.h"

#include <gtest/gtest.h>

#include "scratch.h"

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
        {"UTF-16 little-endian", std::string("\xFF\xFE[\0b\0a\0s\0e\0]\0\r\0\n\0v\0e\0r\0=\0" "1\0\r\0\n\0", 32),
         std::string("\xFF\xFE[\0b\0a\0s\0e\0]\0\r\0\n\0v\0e\0r\0=\0" "1\0\r\0\n\0k\0=\0v\0\r\0\n\0", 42)},
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

TEST(ProfileStore, ClearsTemporaryFilesLeftByADeadWriter) {
    ScratchFolder folder;
#ifdef _WIN32
    const std::string stale = ".t.qelvo.4242.1.tmp";  // what a writer killed mid-write leaves
#else
    const std::string stale = ".t.qelvo.Ab12Cd";
#endif
    writeBytes(folder / stale, "[half");
    writeBytes(folder / ".t.qelvo.keep", "other");    // not one of ours
    CChkUid store;
    store.InitChkCfg(folder / "t.qelvo", ".qelvo");
    ASSERT_TRUE(store.SetMyKey("base", "ver", "1"));
    EXPECT_FALSE(std::filesystem::exists(folder / stale));
    EXPECT_TRUE(std::filesystem::exists(folder / ".t.qelvo.keep"));
}

}  // namespace
