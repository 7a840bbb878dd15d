#include "store/document_upgrade.h"

#include <gtest/gtest.h>

#include "scratch.h"
#include "store/person_document.h"
#include "util/c_number.h"

namespace store {
namespace {

using testing_support::readBytes;
using testing_support::ScratchFolder;
using testing_support::writeBytes;

// The conversion as a sequence of single writes: every key of the key table for n = uLastInd .. 1, then "ver",
// then the old section goes.
void upgradeStepByStep(CChkUid& store) {
    const std::int32_t last = util::readCInt(store.GetMyKey("base", "uLastInd"));
    for (std::int32_t n = last; n >= 1; --n) {
        for (PersonKey key : kKeyTable) {
            const std::string value = store.GetMyKey("ql", personKey(keyName(key), n, DocumentForm::Old));
            store.SetMyKey(personSection(n, DocumentForm::Current), keyName(key), value);
        }
    }
    store.SetMyKey("base", "ver", "1.0.6.18");
    store.delMyJie("ql", 3);
}

struct Upgraded {
    std::string stepByStep;
    std::string atOnce;
};

Upgraded upgradeBothWays(const std::string& old) {
    ScratchFolder folder;
    writeBytes(folder / "a.qelvo", old);
    writeBytes(folder / "b.qelvo", old);
    CChkUid a, b;
    a.InitChkCfg(folder / "a.qelvo", ".qelvo");
    b.InitChkCfg(folder / "b.qelvo", ".qelvo");
    upgradeStepByStep(a);
    EXPECT_TRUE(upgradeDocument(b)) << b.lastError();
    return {readBytes(folder / "a.qelvo"), readBytes(folder / "b.qelvo")};
}

TEST(DocumentUpgrade, GivesTheBytesOfTheStepByStepConversion) {
    const struct {
        const char* what;
        std::string old;
    } cases[] = {
        {"two persons", "[base]\r\nnewcode=10003\r\nuLastInd=2\r\n[ql]\r\nuInd_1=10001\r\nnick_1=张三\r\n"
                        "uInd_2=10002\r\nnick_2=李四\r\nmemo_2=a|b\r\nsun_2=10\r\nsunval_2=11.87\r\n"},
        {"a skipped index, comments and blanks", "; kept\r\n[base]\r\nnewcode=10004\r\nuLastInd=3\r\n[ql]\r\n"
                                                 ";c\r\n  nick_3 = 王五 \r\nNICK_1=\"x\"\r\n\r\n[other]\r\nk=v\r\n"},
        {"an interrupted earlier run", "[base]\r\nnewcode=10002\r\nuLastInd=1\r\n[ql_1]\r\nuInd=stale\r\n"
                                       "extra=kept\r\n[ql]\r\nuInd_1=10001\r\nnick_1=甲\r\n"},
        {"no old section at all", "[base]\r\nnewcode=10002\r\nuLastInd=1\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Upgraded result = upgradeBothWays(c.old);
        EXPECT_EQ(result.atOnce, result.stepByStep);
    }
}

TEST(DocumentUpgrade, ConvertsTheExampleIntoSectionsFromTheTop) {
    const Upgraded result =
        upgradeBothWays("[base]\r\nnewcode=10003\r\nuLastInd=2\r\n[ql]\r\nnick_1=甲\r\nnick_2=乙\r\n");
    const std::string& doc = result.atOnce;
    EXPECT_EQ(doc.find("[ql]"), std::string::npos);
    EXPECT_LT(doc.find("[ql_2]"), doc.find("[ql_1]"));
    EXPECT_NE(doc.find("[ql_2]\r\nuInd=\r\nnick=乙\r\ntype=\r\n"), std::string::npos);
    EXPECT_NE(doc.find("[base]\r\nnewcode=10003\r\nuLastInd=2\r\nver=1.0.6.18\r\n"), std::string::npos);
    EXPECT_NE(doc.find("notetime=\r\n"), std::string::npos);
}

TEST(DocumentUpgrade, LosesNoKeyOfTheOldSection) {
    ScratchFolder folder;
    writeBytes(folder / "d.qelvo",
               "[base]\r\nnewcode=10003\r\nuLastInd=2\r\n[ql]\r\nnick_1=甲\r\nnick_5=戊\r\nhobby_1=围棋\r\n"
               "misc=无编号\r\nnick_02=前导零\r\nnick_1=重复\r\n");
    CChkUid store;
    store.InitChkCfg(folder / "d.qelvo", ".qelvo");
    ASSERT_TRUE(upgradeDocument(store)) << store.lastError();
    EXPECT_EQ(store.GetMyKey("ql_1", "nick"), "甲");      // the first of duplicate keys, as reads see it
    EXPECT_EQ(store.GetMyKey("ql_5", "nick"), "戊");      // above uLastInd: into the section of its index
    EXPECT_EQ(store.GetMyKey("ql_1", "hobby"), "围棋");   // not in the key table: into its section too
    EXPECT_EQ(store.GetMyKey("ql", "misc"), "无编号");    // no index: stays under its old name
    EXPECT_EQ(store.GetMyKey("ql", "nick_02"), "前导零");
    EXPECT_EQ(store.GetMyKey("ql", "nick_1"), "");        // converted keys are gone from the old section
    EXPECT_EQ(store.GetMyKey("base", "ver"), "1.0.6.18");
    EXPECT_EQ(store.GetMyKey("base", "uLastInd"), "2");
    EXPECT_EQ(store.GetMyKey("base", "newcode"), "10003");
}

TEST(DocumentUpgrade, WithoutPersonsOnlyMarksTheVersion) {
    for (const char* last : {"", "0", "-3", "abc"}) {
        SCOPED_TRACE(last);
        ScratchFolder folder;
        writeBytes(folder / "e.qelvo", std::string("[base]\r\nnewcode=10001\r\nuLastInd=") + last + "\r\n");
        CChkUid store;
        store.InitChkCfg(folder / "e.qelvo", ".qelvo");
        ASSERT_TRUE(upgradeDocument(store));
        EXPECT_EQ(readBytes(folder / "e.qelvo"),
                  std::string("[base]\r\nnewcode=10001\r\nuLastInd=") + last + "\r\nver=1.0.6.18\r\n");
    }
}

TEST(DocumentUpgrade, FailsWithoutChangingAnything) {
    ScratchFolder folder;
    std::filesystem::create_directories(folder / "f.qelvo");  // a folder where the document should be
    CChkUid store;
    store.InitChkCfg(folder / "f.qelvo", ".qelvo");
    EXPECT_FALSE(upgradeDocument(store));
    EXPECT_FALSE(store.lastError().empty());
    EXPECT_TRUE(std::filesystem::is_directory(folder / "f.qelvo"));
}

}  // namespace
}  // namespace store
