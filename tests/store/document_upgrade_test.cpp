#include "store/document_upgrade.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <random>

#include "scratch.h"
#include "store/ini_document.h"
#include "store/person_document.h"
#include "util/c_number.h"
#include "util/gbk.h"

namespace store {
namespace {

using testing_support::readBytes;
using testing_support::ScratchFolder;
using testing_support::writeBytes;

// The conversion as a sequence of single writes: every key of the key table for n = uLastInd .. 1 where the old
// section holds at least one of them, then "ver", then the old section goes.
void upgradeStepByStep(CChkUid& store) {
    const std::int32_t last = util::readCInt(store.GetMyKey("base", "uLastInd"));
    for (std::int32_t n = last; n >= 1; --n) {
        bool any = false;
        for (PersonKey key : kKeyTable)
            any = any || store.file().read("ql", personKey(keyName(key), n, DocumentForm::Old)).has_value();
        if (!any)
            continue;
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
    EXPECT_EQ(upgradeDocument(b), UpgradeOutcome::Upgraded) << b.lastError();
    return {readBytes(folder / "a.qelvo"), readBytes(folder / "b.qelvo")};
}

TEST(DocumentUpgrade, GivesTheBytesOfTheStepByStepConversion) {
    const struct {
        const char* what;
        std::string old;
    } cases[] = {
        {"two persons",
         "[base]\r\nnewcode=10003\r\nuLastInd=2\r\n[ql]\r\nuInd_1=10001\r\nnick_1=张三\r\n"
         "uInd_2=10002\r\nnick_2=李四\r\nmemo_2=a|b\r\nsun_2=10\r\nsunval_2=11.87\r\n"},
        {"a skipped index, comments and blanks",
         "; kept\r\n[base]\r\nnewcode=10004\r\nuLastInd=3\r\n[ql]\r\n"
         ";c\r\n  nick_3 = 王五 \r\nNICK_1=\"x\"\r\n\r\n[other]\r\nk=v\r\n"},
        {"an interrupted earlier run",
         "[base]\r\nnewcode=10002\r\nuLastInd=1\r\n[ql_1]\r\nuInd=stale\r\n"
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
    ASSERT_EQ(upgradeDocument(store), UpgradeOutcome::Upgraded) << store.lastError();
    EXPECT_EQ(store.GetMyKey("ql_1", "nick"), "甲");     // the first of duplicate keys, as reads see it
    EXPECT_EQ(store.GetMyKey("ql_5", "nick"), "戊");     // above uLastInd: into the section of its index
    EXPECT_EQ(store.GetMyKey("ql_1", "hobby"), "围棋");  // not in the key table: into its section too
    EXPECT_EQ(store.GetMyKey("ql", "misc"), "无编号");   // no index: stays under its old name
    EXPECT_EQ(store.GetMyKey("ql", "nick_02"), "前导零");
    EXPECT_EQ(store.GetMyKey("ql", "nick_1"), "重复");  // a duplicate no read saw stays where it was
    EXPECT_EQ(store.GetMyKey("ql", "nick_5"), "");      // converted keys are gone from the old section
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
        ASSERT_EQ(upgradeDocument(store), UpgradeOutcome::Upgraded);
        EXPECT_EQ(readBytes(folder / "e.qelvo"),
                  std::string("[base]\r\nnewcode=10001\r\nuLastInd=") + last + "\r\nver=1.0.6.18\r\n");
    }
}

TEST(DocumentUpgrade, FailsWithoutChangingAnything) {
    ScratchFolder folder;
    std::filesystem::create_directories(folder / "f.qelvo");  // a folder where the document should be
    CChkUid store;
    store.InitChkCfg(folder / "f.qelvo", ".qelvo");
    EXPECT_EQ(upgradeDocument(store), UpgradeOutcome::Failed);
    EXPECT_FALSE(store.lastError().empty());
    EXPECT_TRUE(std::filesystem::is_directory(folder / "f.qelvo"));
}

TEST(DocumentUpgrade, LeavesADocumentOfTheCurrentFormAsItIs) {
    const char* const cases[] = {
        "[base]\r\nver=1.0.6.18\r\nnewcode=10002\r\nuLastInd=1\r\n[ql_1]\r\nuInd=10001\r\nnick=甲\r\n",
        // Any version text counts; a left-over old section is never read again.
        "[base]\r\nver=x\r\nnewcode=10002\r\nuLastInd=1\r\n[ql]\r\nnick_1=乙\r\n[ql_1]\r\nnick=甲\r\n",
    };
    for (const char* doc : cases) {
        SCOPED_TRACE(doc);
        ScratchFolder folder;
        writeBytes(folder / "c.qelvo", doc);
        CChkUid store;
        store.InitChkCfg(folder / "c.qelvo", ".qelvo");
        EXPECT_EQ(upgradeDocument(store), UpgradeOutcome::AlreadyCurrent);
        EXPECT_EQ(readBytes(folder / "c.qelvo"), doc);
        EXPECT_EQ(store.GetMyKey("ql_1", "nick"), "甲");
    }
}

TEST(DocumentUpgrade, LeavesAnEmptyDocumentAlone) {
    ScratchFolder folder;
    CChkUid missing;
    missing.InitChkCfg(folder / "none.qelvo", ".qelvo");
    EXPECT_EQ(upgradeDocument(missing), UpgradeOutcome::Empty);
    EXPECT_FALSE(std::filesystem::exists(folder / "none.qelvo"));
    const std::string noBase = "[ql_1]\r\nnick=甲\r\n";
    writeBytes(folder / "e.qelvo", noBase);
    CChkUid store;
    store.InitChkCfg(folder / "e.qelvo", ".qelvo");
    EXPECT_EQ(upgradeDocument(store), UpgradeOutcome::Empty);
    EXPECT_EQ(readBytes(folder / "e.qelvo"), noBase);
}

TEST(DocumentUpgrade, AnOldDocumentThatLostItsBaseSectionIsOldNotEmpty) {
    const struct {
        std::string old;
        const char* newCode;  // afterwards; nullptr: not old, left as it is
        const char* lastIndex;
    } cases[] = {
        {"[ql]\r\nuInd_1=10001\r\nnick_1=甲\r\nnick_3=丙\r\nhobby_7=围棋\r\nnick_980001=远\r\n", "10004", "3"},
        {"[base]\r\nuLastInd=5\r\n[ql]\r\nNICK_2=乙\r\n", "10006", "5"},
        {"[base]\r\nuLastInd=1\r\n[ql]\r\nnick_4=丁\r\n", "10005", "4"},
        {"[ql]\r\nmisc=1\r\nnick_01=前导零\r\n", nullptr, nullptr},  // no card
        {"[base]\r\nver=1.0.6.18\r\n[ql]\r\nnick_1=甲\r\n", nullptr, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.old);
        ScratchFolder folder;
        writeBytes(folder / "d.qelvo", c.old);
        CChkUid store;
        store.InitChkCfg(folder / "d.qelvo", ".qelvo");
        EXPECT_EQ(isOldDocument(store), c.newCode != nullptr);
        EXPECT_EQ(upgradeDocument(store) == UpgradeOutcome::Upgraded, c.newCode != nullptr) << store.lastError();
        if (c.newCode == nullptr) {
            EXPECT_EQ(readBytes(folder / "d.qelvo"), c.old);
            continue;
        }
        EXPECT_EQ(store.GetMyKey("base", "newcode"), c.newCode);
        EXPECT_EQ(store.GetMyKey("base", "uLastInd"), c.lastIndex);
        EXPECT_FALSE(isOldDocument(store));
        // Every key of the old section is in the section of its index (or stays where it was).
        IniDocument(c.old).forEachEntry("ql", [&](const IniEntry& e) {
            const std::size_t underscore = e.key.rfind('_');
            EXPECT_EQ(store.GetMyKey("ql_" + std::string(e.key.substr(underscore + 1)),
                                     std::string(e.key.substr(0, underscore))),
                      e.value);
        });
    }
}

TEST(DocumentUpgrade, DecidesOnTheVersionItConverts) {
    // A store that last saw the document old: another copy upgrades it, then this one is asked to.
    ScratchFolder folder;
    writeBytes(folder / "d.qelvo", "[base]\r\nnewcode=10002\r\nuLastInd=1\r\n[ql]\r\nnick_1=甲\r\n");
    CChkUid mine, other;
    mine.InitChkCfg(folder / "d.qelvo", ".qelvo");
    other.InitChkCfg(folder / "d.qelvo", ".qelvo");
    ASSERT_EQ(mine.GetMyKey("base", "ver"), "");
    ASSERT_EQ(upgradeDocument(other), UpgradeOutcome::Upgraded);
    const std::string upgraded = readBytes(folder / "d.qelvo");
    EXPECT_EQ(upgradeDocument(mine), UpgradeOutcome::AlreadyCurrent);
    EXPECT_EQ(readBytes(folder / "d.qelvo"), upgraded);
    EXPECT_EQ(mine.GetMyKey("ql_1", "nick"), "甲");
}

TEST(DocumentUpgrade, CostFollowsThePersonsPresentNotTheLastIndex) {
    const struct {
        const char* last;
        std::int32_t person;
    } cases[] = {{"980000", 979999}, {"980001", 980001}, {"2000000000", 1999999999}, {"2147483647", 5}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.last);
        ScratchFolder folder;
        const std::string n = std::to_string(c.person);
        writeBytes(folder / "d.qelvo", std::string("[base]\r\nnewcode=10001\r\nuLastInd=") + c.last +
                                           "\r\n[ql]\r\nnick_" + n + "=甲\r\nnick_1=乙\r\n");
        CChkUid store;
        store.InitChkCfg(folder / "d.qelvo", ".qelvo");
        ASSERT_EQ(upgradeDocument(store), UpgradeOutcome::Upgraded) << store.lastError();
        const IniDocument doc(readBytes(folder / "d.qelvo"));
        EXPECT_EQ(doc.value("ql_" + n, "nick"), "甲");
        EXPECT_EQ(doc.value("ql_" + n, "notetime"), "");  // a person gets all 36 keys
        EXPECT_EQ(doc.value("ql_1", "nick"), "乙");
        EXPECT_LT(doc.text().size(), 2000u);  // indexes without keys get no section
        EXPECT_LT(doc.text().find("[ql_" + n + "]"), doc.text().find("[ql_1]"));
    }
}

// The cost of left-over keys grows with their number: four times the keys take about four times the processor time
// (a cost that grew with the square would take sixteen), whatever the machine's speed or load.
TEST(DocumentUpgrade, ManyLeftOverKeysCostInProportion) {
    constexpr int kKeys = 100000;
    constexpr double kMostGrowth = 10;
    const struct {
        const char* what;
        std::string (*key)(int);
        const char* section;  // where the last key is afterwards
        const char* name;
    } cases[] = {
        {"one section", [](int i) { return "hobby" + std::to_string(i) + "_1"; }, "ql_1", "hobby99999"},
        {"a section each", [](int i) { return "nick_" + std::to_string(i + 10); }, "ql_100009", "nick"},
        {"no index", [](int i) { return "misc" + std::to_string(i); }, "ql", "misc99999"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        double seconds[2] = {};
        for (const int keys : {kKeys / 4, kKeys}) {
            std::string old = "[base]\r\nnewcode=10002\r\nuLastInd=1\r\n[ql]\r\nnick_1=甲\r\n";
            for (int i = 0; i < keys; ++i)
                old += c.key(i) + "=v" + std::to_string(i) + "\r\n";
            ScratchFolder folder;
            writeBytes(folder / "d.qelvo", old);
            CChkUid store;
            store.InitChkCfg(folder / "d.qelvo", ".qelvo");
            const double start = testing_support::processorSeconds();
            ASSERT_EQ(upgradeDocument(store), UpgradeOutcome::Upgraded) << store.lastError();
            seconds[keys == kKeys] = testing_support::processorSeconds() - start;
            EXPECT_EQ(store.GetMyKey("ql_1", "nick"), "甲");
            if (keys == kKeys) {
                EXPECT_EQ(store.GetMyKey(c.section, c.name), "v99999");
            }
        }
        EXPECT_LT(seconds[1], kMostGrowth * std::max(seconds[0], 0.01))
            << seconds[0] << " s for a quarter of the keys, " << seconds[1] << " s for all";
    }
}

// Odd old documents, each line of the old section made from known parts, so that where every key belongs is known
// without splitting its name again.
struct OldLine {
    std::string key;
    std::string name;        // the part before the index, as written
    std::int32_t index = 0;  // 0: the key has no index
    std::string value;
};

struct OddDocument {
    std::string text;
    std::int32_t last = 0;
    std::vector<OldLine> lines;
};

OddDocument makeOddDocument(std::mt19937& random) {
    auto pick = [&random](int below) { return static_cast<int>(random() % static_cast<unsigned>(below)); };
    const std::int32_t lasts[] = {0, 1, 2, 3, 5, -1, 980001};
    OddDocument doc;
    doc.last = lasts[pick(7)];
    const std::int32_t top = doc.last > 10 ? doc.last + 2 : 8;
    auto anIndex = [&] { return pick(3) == 0 ? doc.last + 1 + pick(3) : 1 + pick(top); };
    const std::string otherNames[] = {"hobby", "Note", "围棋", "\xD5\x5F", "甲\x81\x5F", "a\x95\x5F", "x_y"};
    std::string text = "[base]\r\nnewcode=10001\r\nuLastInd=" + std::to_string(doc.last) + "\r\n";
    // Sections of the current form already there (an interrupted run, or saved after a lower code).
    for (int s = pick(3); s > 0; --s) {
        text += "[ql_" + std::to_string(anIndex()) + "]\r\n";
        for (int k = pick(4); k > 0; --k) {
            const std::string name =
                pick(2) ? std::string(kKeyNames[static_cast<std::size_t>(pick(36))]) : otherNames[pick(7)];
            text += name + "=e" + std::to_string(random() % 1000) + "\r\n";
        }
    }
    text += "[ql]\r\n";
    for (int k = 5 + pick(20); k > 0; --k) {
        OldLine line;
        line.value = "值" + std::to_string(doc.lines.size());
        if (!doc.lines.empty() && pick(8) == 0) {  // a duplicate, maybe in another case
            line = doc.lines[static_cast<std::size_t>(pick(static_cast<int>(doc.lines.size())))];
            line.value = "重" + std::to_string(doc.lines.size());
            if (pick(2))
                line.key = util::gbk::foldAsciiCase(line.key);
        } else {
            line.name = pick(2) ? std::string(kKeyNames[static_cast<std::size_t>(pick(36))]) : otherNames[pick(7)];
            switch (pick(6)) {
                case 0:  // no index; a name ending in the trail byte 0x5F may be followed by digits
                    line.key = line.name + (pick(2) ? std::to_string(1 + pick(top)) : "");
                    break;
                case 1:  // a blank before the index
                    line.index = anIndex();
                    line.name += " ";
                    line.key = line.name + "_" + std::to_string(line.index);
                    break;
                case 2:  // a leading zero is no index
                    line.key = line.name + "_0" + std::to_string(1 + pick(top));
                    break;
                default:
                    line.index = anIndex();
                    line.key = line.name + "_" + std::to_string(line.index);
            }
        }
        text += line.key + "=" + line.value + "\r\n";
        doc.lines.push_back(line);
    }
    if (pick(2))
        text += "[tail]\r\nk=v\r\n";
    doc.text = text;
    return doc;
}

// The first value of every key of every section.
std::map<std::pair<std::string, std::string>, std::string> readableKeys(const std::string& text) {
    std::map<std::pair<std::string, std::string>, std::string> keys;
    for (std::size_t at = text.find('['); at != std::string::npos; at = text.find("\r\n[", at + 1)) {
        const std::size_t open = text[at] == '[' ? at : at + 2;
        const std::string name = text.substr(open + 1, text.find(']', open) - open - 1);
        const IniDocument doc(text);
        doc.forEachEntry(name, [&](const IniEntry& e) {
            keys.try_emplace({util::gbk::foldAsciiCase(name), util::gbk::foldAsciiCase(e.key)}, std::string(e.value));
        });
    }
    return keys;
}

TEST(DocumentUpgrade, OddOldDocumentsLoseNothingAndOverwriteNothing) {
    std::mt19937 random(20240301);
    ScratchFolder folder;
    // Every document is written to disk and replaced once: bounded by time as well as by count.
    const auto start = std::chrono::steady_clock::now();
    for (int round = 0;
         round < 300 && (round < 50 || std::chrono::steady_clock::now() - start < std::chrono::seconds(4)); ++round) {
        const OddDocument odd = makeOddDocument(random);
        SCOPED_TRACE(odd.text);
        writeBytes(folder / "o.qelvo", odd.text);
        CChkUid store;
        store.InitChkCfg(folder / "o.qelvo", ".qelvo");
        ASSERT_EQ(upgradeDocument(store), UpgradeOutcome::Upgraded) << store.lastError();
        const IniDocument after(readBytes(folder / "o.qelvo"));
        EXPECT_EQ(after.value("base", "ver"), "1.0.6.18");

        // The persons: an index up to uLastInd with a key of the key table gets all 36, the first value counting.
        std::map<std::int32_t, std::map<std::string, std::string>> persons;
        for (const OldLine& line : odd.lines) {
            if (line.index < 1 || line.index > odd.last)
                continue;
            for (std::string_view name : kKeyNames) {
                if (util::gbk::equalsIgnoringAsciiCase(name, line.name))
                    persons[line.index].try_emplace(std::string(name), line.value);
            }
        }
        for (const auto& [n, values] : persons) {
            for (std::string_view name : kKeyNames) {
                const auto found = values.find(std::string(name));
                EXPECT_EQ(after.value("ql_" + std::to_string(n), name),
                          found == values.end() ? std::string() : found->second)
                    << n << " " << name;
            }
        }
        // Nothing overwritten: every key outside the old section reads as before, but the persons' keys.
        for (const auto& [where, value] : readableKeys(odd.text)) {
            if (where.first == "ql")
                continue;
            const bool personsKey = where.first.rfind("ql_", 0) == 0 &&
                                    persons.count(util::readCInt(where.first.substr(3))) != 0 &&
                                    std::any_of(kKeyNames.begin(), kKeyNames.end(), [&](std::string_view name) {
                                        return util::gbk::equalsIgnoringAsciiCase(name, where.second);
                                    });
            if (!personsKey) {
                EXPECT_EQ(after.value(where.first, where.second), value) << where.first << " " << where.second;
            }
        }
        // Nothing lost: every line of the old section is still there as it was, or its value reads from the
        // section of its index under its name.
        std::multimap<std::string, std::string> stayed;
        after.forEachEntry("ql", [&](const IniEntry& e) { stayed.emplace(std::string(e.key), std::string(e.value)); });
        for (const OldLine& line : odd.lines) {
            auto range = stayed.equal_range(line.key);
            const auto same =
                std::find_if(range.first, range.second, [&](const auto& e) { return e.second == line.value; });
            if (same != range.second) {
                stayed.erase(same);
                continue;
            }
            ASSERT_GT(line.index, 0) << "lost: " << line.key;
            EXPECT_EQ(after.value("ql_" + std::to_string(line.index), trimBlanks(line.name)), line.value)
                << "lost: " << line.key;
        }
        EXPECT_TRUE(stayed.empty()) << "invented: " << (stayed.empty() ? "" : stayed.begin()->first);
    }
}

}  // namespace
}  // namespace store
