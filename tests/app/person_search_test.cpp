#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "form_harness.h"
#include "records/person_list.h"
#include "records/person_search.h"
#include "store/chk_uid.h"
#include "store/person_document.h"

namespace apptest {
namespace {

// 中国 is D6 D0 B9 FA: its middle bytes D0 B9 are 泄 when read on their own.
constexpr const char* kPersons =
    "[base]\r\nver=1.0.6.18\r\nnewcode=10006\r\nuLastInd=5\r\n"
    "[ql_1]\r\nuInd=10001\r\nnick=张三\r\nsrday=1991.1.2,1255\r\narea=中国\r\n"
    "[ql_2]\r\nuInd=10002\r\nnick=Anna Smith\r\nnongli=十一月十七\r\nmemo=大学同学|住在北京\r\n"
    "[ql_3]\r\nuInd=10003\r\nnick=\x81\x41\x81\x61\r\narea=泄漏\r\n"
    "[ql_5]\r\nuInd=10005\r\nnick=李四\r\nsrday=1980.5.6\r\nsun=10\r\n"
    "[ql_7]\r\nuInd=10007\r\nnick=王五\r\narea=美国 New York\r\n"
    "[ql_05]\r\nnick=张冒牌\r\n";

std::vector<std::string> codesOf(const records::SearchResult& result) {
    std::vector<std::string> codes;
    for (const store::Person& p : result.persons)
        codes.push_back(p[store::PersonKey::UInd]);
    return codes;
}

struct Store {
    testing_support::ScratchFolder folder;
    CChkUid store;
    explicit Store(const std::string& bytes) {
        writeBytes(folder / "d.qelvo", bytes);
        store.InitChkCfg(folder / "d.qelvo", ".qelvo");
    }
};

TEST(PersonSearch, FindsTextInEachSearchedFieldOnCharacterBoundaries) {
    Store s(kPersons);
    records::PersonSearch search;
    const struct {
        const char* text;
        std::vector<std::string> codes;
    } cases[] = {
        {"10003", {"10003"}},   // code
        {"张", {"10001"}},      // name; a section "ql_05" is no card's
        {"1991.1", {"10001"}},  // birthday
        {"十七", {"10002"}},    // lunar date
        {"北京", {"10002"}},    // memo, across its stored line break too
        {"同学|住", {"10002"}},
        {"中国", {"10001"}},         // area
        {"new york", {"10007"}},     // ASCII letters without case
        {"  SMITH ", {"10002"}},     // blanks at the ends are dropped
        {"\xD0\xB9", {"10003"}},     // 泄 itself, not the middle of 中国
        {"\x81\x61", {"10003"}},     // the second character, not a folded first one
        {"a", {"10002"}},            // never the trail byte 41 of 81 41
        {"国", {"10007", "10001"}},  // newest first, beyond "uLastInd" too
        {"10", {"10007", "10005", "10003", "10002", "10001"}},
        {"1980.5.6,", {}},
        {"三1991", {}},     // never across two fields
        {"york10005", {}},  // nor across two cards
        {"王五五", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const records::SearchResult result = search.find(s.store, c.text);
        EXPECT_EQ(codesOf(result), c.codes);
        EXPECT_EQ(result.matches, static_cast<std::int32_t>(c.codes.size()));
    }
}

TEST(PersonSearch, WithoutATextItIsThePersonListItself) {
    for (const char* doc : {kPersons, "[base]\r\nver=1\r\nuLastInd=-2\r\n", "",
                            "[base]\r\nnewcode=10004\r\n[ql]\r\nuInd_3=10003\r\nnick_3=Old\r\nuInd_1=10001\r\n"}) {
        SCOPED_TRACE(doc);
        Store s(doc);
        records::PersonSearch search;
        for (const char* text : {"", "  "}) {
            const records::SearchResult result = search.find(s.store, text);
            const std::vector<store::Person> list = records::readPersonList(s.store);
            ASSERT_EQ(result.persons.size(), list.size());
            for (std::size_t i = 0; i < list.size(); ++i) {
                EXPECT_EQ(result.persons[i].index, list[i].index);
                EXPECT_EQ(result.persons[i].texts, list[i].texts);
            }
            EXPECT_EQ(result.matches, static_cast<std::int32_t>(list.size()));
        }
    }
}

TEST(PersonSearch, ReadsEachCardAsAReadOfItsKeysWould) {
    // Any line break, blanks and quotes around values, the first of two equal keys or sections, names in any case.
    Store s(
        "[base]\nver=1\nuLastInd=3\n[ql_1]\nuInd=10001\rnick=甲\n[QL_2]\r\n  NICK = \"乙 \" \r\nnick=丙\r\n"
        "[ql_2]\nnick=丁\n[ql_3]\n;nick=戊\nmemo\n");
    records::PersonSearch search;
    const struct {
        const char* text;
        std::vector<std::int32_t> indices;
    } cases[] = {{"甲", {1}}, {"乙 ", {2}}, {"\"", {}}, {"丙", {}}, {"丁", {}}, {"戊", {}}, {"memo", {}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        std::vector<std::int32_t> indices;
        for (const store::Person& p : search.find(s.store, c.text).persons)
            indices.push_back(p.index);
        EXPECT_EQ(indices, c.indices);
    }
}

TEST(PersonSearch, OldFormCardsAreFoundByTheirKeys) {
    Store s(
        "[base]\r\nnewcode=10004\r\n[ql]\r\nuInd_3=10003\r\nnick_3=Old Timer\r\nuInd_1=10001\r\nNICK_1=old\r\n"
        "other_2=old\r\n");
    records::PersonSearch search;
    const records::SearchResult result = search.find(s.store, "OLD");
    EXPECT_EQ(codesOf(result), (std::vector<std::string>{"10003", "10001"}));
    EXPECT_EQ(result.persons[0][store::PersonKey::Nick], "Old Timer");
}

TEST(PersonSearch, ShowsAtMostAThousandRowsAndCountsEveryMatch) {
    std::string doc = "[base]\r\nver=1.0.6.18\r\nnewcode=11501\r\nuLastInd=1400\r\n";
    for (int n = 1; n <= 1500; ++n)
        doc += "[ql_" + std::to_string(n) + "]\r\nuInd=" + std::to_string(10000 + n) +
               "\r\nnick=" + (n % 3 == 0 ? "三" : "二") + "\r\n";
    Store s(doc);
    records::PersonSearch search;
    const records::SearchResult all = search.find(s.store, "1");
    EXPECT_EQ(all.matches, 1500);
    ASSERT_EQ(all.persons.size(), 1000u);
    EXPECT_EQ(all.persons.front().index, 1500);
    EXPECT_EQ(all.persons.back().index, 501);
    const records::SearchResult thirds = search.find(s.store, "三");
    EXPECT_EQ(thirds.matches, 500);
    EXPECT_EQ(thirds.persons.size(), 500u);
    const records::SearchResult list = search.find(s.store, "");
    EXPECT_EQ(list.matches, 1400);
    EXPECT_EQ(list.persons.size(), 1000u);
}

TEST(PersonSearch, SeesWhatAnotherProgramWroteSinceTheLastSearch) {
    Store s(kPersons);
    records::PersonSearch search;
    EXPECT_EQ(search.find(s.store, "赵").matches, 0);
    CChkUid other;
    other.InitChkCfg(s.folder / "d.qelvo", ".qelvo");
    ASSERT_TRUE(other.SetMyKey("ql_2", "nick", "赵六"));
    EXPECT_EQ(codesOf(search.find(s.store, "赵")), std::vector<std::string>{"10002"});
    EXPECT_EQ(search.find(s.store, "Anna").matches, 0);
}

TEST(SearchField, TheListFollowsTheTypingAndSavingKeepsTheSearch) {
    FormHarness h;
    writeBytes(h.document(), kPersons);
    h.start();
    EXPECT_EQ(h.window.rowCount(app::kIdPersonList), 5);
    EXPECT_EQ(h.window.text(app::kIdSearchCount), "共 5 人");

    h.window.type(app::kIdSearch, "国");
    ASSERT_EQ(h.window.rowCount(app::kIdPersonList), 2);
    EXPECT_EQ(h.window.row(app::kIdPersonList, 0)[1], "王五");
    EXPECT_EQ(h.window.text(app::kIdSearchCount), "共 2 人");

    // A row of the found list shows that person, as a row of the whole list would.
    h.window.clickRow(app::kIdPersonList, 1);
    EXPECT_EQ(h.form.formMode(), app::FormMode::ShownPerson);
    EXPECT_EQ(h.window.text(app::kIdCode), "10001");
    EXPECT_EQ(h.window.text(app::kIdBirthday), "1991.1.2,1255");

    // Saving refills the list with the search still applied.
    h.window.type(app::kIdName, "张三丰");
    h.window.click(app::kIdSave);
    ASSERT_EQ(h.window.rowCount(app::kIdPersonList), 2);
    EXPECT_EQ(h.window.row(app::kIdPersonList, 1)[1], "张三丰");
    EXPECT_EQ(h.window.text(app::kIdSearch), "国");

    // A new person who does not match is saved but not listed until the search is cleared.
    h.window.click(app::kIdNew);
    h.window.type(app::kIdName, "赵六");
    h.window.click(app::kIdSave);
    EXPECT_EQ(h.window.rowCount(app::kIdPersonList), 2);
    h.window.type(app::kIdSearch, "");
    EXPECT_EQ(h.window.rowCount(app::kIdPersonList), 6);
    EXPECT_EQ(h.window.row(app::kIdPersonList, 0)[1], "赵六");
    EXPECT_EQ(h.window.text(app::kIdSearchCount), "共 6 人");
    EXPECT_TRUE(h.window.dialogs().empty());
}

}  // namespace
}  // namespace apptest
