#include "exchange/card_exchange.h"

#include <gtest/gtest.h>

#if !defined(_WIN32)
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#endif

#include "scratch.h"
#include "store/ini_document.h"
#include "store/person_document.h"

namespace {

using testing_support::readBytes;
using testing_support::ScratchFolder;
using testing_support::writeBytes;

store::Person named(const std::string& name) {
    store::Person p;
    p[store::PersonKey::Nick] = name;
    p[store::PersonKey::UInd] = "99999";  // an import gives new codes whatever the file said
    return p;
}

struct Document {
    ScratchFolder folder;
    CChkUid store;
    explicit Document(const std::string& bytes) {
        if (!bytes.empty())
            writeBytes(folder / "d.qelvo", bytes);
        store.InitChkCfg(folder / "d.qelvo", ".qelvo");
    }
    std::string bytes() const { return readBytes(folder / "d.qelvo"); }
};

TEST(ImportingCards, TakesTheNextFreeCodesAndMovesTheCountersOnce) {
    // "newcode" lags behind: 10003 and 10005 are taken, so the cards get 10004, 10006, 10007.
    Document doc("[base]\r\nver=1.0.6.18\r\nnewcode=10003\r\nuLastInd=5\r\n[ql_3]\r\nnick=甲\r\n[ql_5]\r\n");
    const exchange::ImportOutcome outcome = exchange::importCards(doc.store, {named("一"), named("二"), named("三")});
    ASSERT_TRUE(outcome.ok) << outcome.error;
    EXPECT_EQ(outcome.imported, 3);
    EXPECT_EQ(outcome.firstCode, 10004);
    EXPECT_EQ(outcome.lastCode, 10007);
    const std::vector<store::Person> cards = exchange::documentCards(doc.store);
    ASSERT_EQ(cards.size(), 5u);
    const struct {
        std::int32_t index;
        const char* code;
        const char* name;
    } expected[] = {{3, "", "甲"}, {4, "10004", "一"}, {5, "", ""}, {6, "10006", "二"}, {7, "10007", "三"}};
    for (std::size_t i = 0; i < cards.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(cards[i].index, expected[i].index);
        EXPECT_EQ(cards[i][store::PersonKey::UInd], expected[i].code);
        EXPECT_EQ(cards[i][store::PersonKey::Nick], expected[i].name);
    }
    EXPECT_EQ(doc.store.GetMyKey("base", "uLastInd"), "7");
    EXPECT_EQ(doc.store.GetMyKey("base", "newcode"), "10008");
}

TEST(ImportingCards, AnEmptyDocumentGetsItsBaseAndAnOldOneKeepsItsForm) {
    Document empty("");
    ASSERT_TRUE(exchange::importCards(empty.store, {named("一")}).ok);
    EXPECT_EQ(empty.store.GetMyKey("base", "ver"), store::kDocumentVersion);
    EXPECT_EQ(empty.store.GetMyKey("ql_1", "uInd"), "10001");
    EXPECT_EQ(empty.store.GetMyKey("base", "newcode"), "10002");

    Document old("[base]\r\nnewcode=10002\r\nuLastInd=1\r\n[ql]\r\nuInd_1=10001\r\nnick_1=甲\r\n");
    ASSERT_TRUE(exchange::importCards(old.store, {named("乙")}).ok);
    EXPECT_EQ(old.store.GetMyKey("ql", "nick_2"), "乙");
    EXPECT_EQ(old.store.GetMyKey("ql", "nick_1"), "甲");
    EXPECT_EQ(old.store.GetMyKey("base", "ver"), "");
    EXPECT_EQ(old.store.GetMyKey("base", "uLastInd"), "2");
}

TEST(ImportingCards, WritesNothingWhenAnyCardCannotBeWritten) {
    const std::string before = "[base]\r\nver=1.0.6.18\r\nnewcode=989999\r\nuLastInd=979999\r\n";
    {
        SCOPED_TRACE("a value with a line break");
        Document doc(before);
        const exchange::ImportOutcome outcome = exchange::importCards(doc.store, {named("一"), named("二\n三")});
        EXPECT_FALSE(outcome.ok);
        EXPECT_FALSE(outcome.error.empty());
        EXPECT_EQ(doc.bytes(), before);
    }
    {
        SCOPED_TRACE("codes run out");
        Document doc(before);
        const exchange::ImportOutcome outcome =
            exchange::importCards(doc.store, {named("一"), named("二"), named("三")});
        EXPECT_FALSE(outcome.ok);
        EXPECT_NE(outcome.error.find("990000"), std::string::npos);
        EXPECT_EQ(doc.bytes(), before);
    }
}

TEST(ImportingCards, CountsTheCardsBeforeMakingAnyWhenCodesAreTooFew) {
    const std::string before = "[base]\r\nver=1.0.6.18\r\nnewcode=989998\r\nuLastInd=979998\r\n[ql_979999]\r\n";
    Document doc(before);
    int walks = 0;
    const exchange::ImportOutcome outcome = exchange::importCards(doc.store, [&](const exchange::CardSink& visit) {
        ++walks;
        for (int i = 0; i < 3; ++i)
            visit(named("一"));
    });
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(walks, 1) << "the cards were made for writing";
    // 989998 is taken, so 989999 and 990000 are left for three cards.
    EXPECT_NE(outcome.error.find("只剩 2 个"), std::string::npos) << outcome.error;
    EXPECT_NE(outcome.error.find("3 张"), std::string::npos) << outcome.error;
    EXPECT_EQ(doc.bytes(), before);
}

TEST(ImportingCards, WritesTheSameTextAsSavingEachNewPersonWould) {
    store::Person full = named("全");
    for (std::size_t i = 0; i < store::kPersonKeyCount; ++i)
        full.texts[i] = "v" + std::to_string(i);
    const struct {
        const char* what;
        std::string before;
        std::vector<store::IniEdit> base;  // what the import must do besides the persons
    } cases[] = {
        {"a document ending without a line break",
         "[base]\r\nver=1.0.6.18\r\nnewcode=10002\r\nuLastInd=1\r\n[ql_1]\r\nnick=甲",
         {store::IniEdit::set("base", "uLastInd", "3"), store::IniEdit::set("base", "newcode", "10004")}},
        {"an empty document", "", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Document doc(c.before);
        ASSERT_TRUE(exchange::importCards(doc.store, {full, named("二")}).ok);
        std::vector<store::IniEdit> edits =
            c.before.empty() ? store::newDocumentEdits() : std::vector<store::IniEdit>{};
        const std::int32_t first = c.before.empty() ? 1 : 2;
        for (std::int32_t n = first; n < first + 2; ++n) {
            store::Person person = n == first ? full : named("二");
            person[store::PersonKey::UInd] = store::formatCode(store::kCodeBase + n);
            for (store::IniEdit& edit : store::personEdits(person, n, store::DocumentForm::Current))
                edits.push_back(std::move(edit));
        }
        std::vector<store::IniEdit> counters = c.base;
        if (c.before.empty())
            counters = {store::IniEdit::set("base", "uLastInd", "2"), store::IniEdit::set("base", "newcode", "10003")};
        edits.insert(edits.end(), counters.begin(), counters.end());
        EXPECT_EQ(doc.bytes(), store::IniDocument(c.before).withEdits(edits).text.value_or("?"));
    }
}

TEST(ImportingCards, AFileReadsAsItsReaderReadsIt) {
    Document doc("");
    const exchange::FileImport imported = exchange::importFile(
        doc.store, exchange::Format::Csv, "name,birthday,extra\r\nA,1991-1-2,x\r\nB,1990.2.30,y\r\n", "now");
    ASSERT_TRUE(imported.outcome.ok) << imported.outcome.error;
    EXPECT_EQ(imported.outcome.imported, 1);
    ASSERT_EQ(imported.problems.size(), 1u);
    EXPECT_EQ(imported.problems[0].line, 3);
    ASSERT_EQ(imported.notes.size(), 1u);
    EXPECT_NE(imported.notes[0].find("extra"), std::string::npos);
    EXPECT_EQ(doc.store.GetMyKey("ql_1", "srday"), "1991.1.2");

    const std::string before = doc.bytes();
    const exchange::FileImport nothing = exchange::importFile(doc.store, exchange::Format::Aaf, "#A93:x\n", "now");
    EXPECT_TRUE(nothing.outcome.ok);
    EXPECT_EQ(nothing.outcome.imported, 0);
    EXPECT_EQ(nothing.problems.size(), 1u);
    EXPECT_EQ(doc.bytes(), before);
}

#if !defined(_WIN32)
TEST(ImportingCards, AFileThatIsNoRegularFileSaysWhatItIs) {
    ScratchFolder folder;
    writeBytes(folder / "cards.csv", "name\r\n");
    std::filesystem::create_directory(folder / "folder.csv");
    ASSERT_EQ(::mkfifo((folder / "pipe.csv").c_str(), 0600), 0);
    const struct {
        const char* name;
        const char* problem;  // nullptr: none
    } cases[] = {
        {"cards.csv", nullptr},       {"missing.csv", "文件不存在"}, {"folder.csv", "文件夹"},
        {"pipe.csv", "不是普通文件"}, {"/dev/null", "不是普通文件"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::filesystem::path path = c.name[0] == '/' ? std::filesystem::path(c.name) : folder / c.name;
        const auto problem = exchange::importFileProblem(store::fileio::readFile(path));
        if (c.problem == nullptr)
            EXPECT_FALSE(problem.has_value()) << *problem;
        else
            EXPECT_NE(problem.value_or("").find(c.problem), std::string::npos) << problem.value_or("");
    }
}

// Files may grow no larger than limit bytes while it lives (a full disk, for this process).
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t limit) {
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        previous_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lowered = saved_;
        lowered.rlim_cur = limit;
        ::setrlimit(RLIMIT_FSIZE, &lowered);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previous_);
    }

  private:
    rlimit saved_{};
    void (*previous_)(int) = nullptr;
};

TEST(ImportingCards, AnImportCutShortByAFullDiskLeavesTheDocumentAsItWas) {
    const std::string before = "[base]\r\nver=1.0.6.18\r\nnewcode=10002\r\nuLastInd=1\r\n[ql_1]\r\nnick=甲\r\n";
    Document doc(before);
    std::vector<store::Person> many(200, named("一个相当长的名字，让文件超过限度"));
    exchange::ImportOutcome outcome;
    {
        FileSizeLimit limit(4096);
        outcome = exchange::importCards(doc.store, many);
    }
    EXPECT_FALSE(outcome.ok);
    EXPECT_FALSE(outcome.error.empty());
    EXPECT_EQ(doc.bytes(), before);
    EXPECT_EQ(exchange::documentCards(doc.store).size(), 1u);
}
#endif

TEST(ExportingCards, TakesEveryCardOldestFirstBeyondTheListToo) {
    Document doc(
        "[base]\r\nver=1.0.6.18\r\nnewcode=10003\r\nuLastInd=1\r\n[ql_2]\r\nnick=乙\r\n[ql_1]\r\nnick=甲\r\n"
        "[other]\r\nnick=丙\r\n[ql_0]\r\n[ql_x]\r\n");
    const std::vector<store::Person> cards = exchange::documentCards(doc.store);
    ASSERT_EQ(cards.size(), 2u);
    EXPECT_EQ(cards[0][store::PersonKey::Nick], "甲");
    EXPECT_EQ(cards[1][store::PersonKey::Nick], "乙");
    EXPECT_EQ(cards[1].index, 2);
}

}  // namespace
