// Savers that die or race: a saver killed at random moments, and two savers writing one document at once.
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "child_process.h"
#include "generations.h"
#include "scratch_folder.h"

namespace faults {
namespace {

constexpr const char* kWriter = QELVO_FAULT_WRITER;

// The generation of person n's last save in a document whose saves 1..generation went to persons in turn.
int lastSaveOf(int n, int generation, int persons) {
    const int last = generation - ((generation - (n - 1)) % persons + persons) % persons;
    return last > 0 ? last : 0;
}

// Microseconds on a steady clock.
long long nowMicroseconds() {
    timespec t{};
    ::clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1000000LL + t.tv_nsec / 1000;
}

// Each save is one batch of a person's 36 keys and the base counters; a kill anywhere must leave the document of
// one whole save: every save the saver finished, the counters of one generation, and every person as that
// generation's saves left it. Each saver finishes one save, then dies at a random moment of the next one or two.
TEST(KilledSaver, LeavesTheDocumentOfOneWholeSave) {
    constexpr int kPersons = 4;
    constexpr int kKills = 200;
    const ScratchFolder folder;
    const std::filesystem::path document = folder / "cards.qelvo";
    ASSERT_TRUE(createDocument(document, 0));

    const unsigned seed = std::random_device{}();
    SCOPED_TRACE(testing::Message() << "random seed " << seed);
    std::mt19937 random(seed);
    long long saveTime = 0;  // of all the first saves so far, in microseconds
    int generation = 0;
    int cutShort = 0;  // kills inside a write, which left its temporary file
    for (int kill = 1; kill <= kKills; ++kill) {
        SCOPED_TRACE(testing::Message() << "kill " << kill);
        auto saver = ChildProcess::start({kWriter, document.string(), "cycle", std::to_string(kPersons)});
        ASSERT_TRUE(saver);
        ASSERT_TRUE(saver->awaitOutput(1)) << saver->wait().err;
        const long long opened = nowMicroseconds();
        ASSERT_TRUE(saver->awaitOutput(2)) << saver->wait().err;
        saveTime += nowMicroseconds() - opened;
        std::uniform_int_distribution<long long> delay(0, 3 * saveTime / (2 * kill));
        ::usleep(static_cast<useconds_t>(delay(random)));
        saver->kill(SIGKILL);
        const ChildResult ended = saver->wait();
        ASSERT_EQ(ended.signal, SIGKILL) << ended.err;
        const int reported = static_cast<int>(std::count(ended.out.begin(), ended.out.end(), 's'));

        CChkUid store;
        store.InitChkCfg(document, ".qelvo");
        const std::optional<int> now = baseGeneration(store);
        ASSERT_TRUE(now) << "the base counters come from different saves";
        ASSERT_GE(*now, generation + reported) << "a finished save is missing";
        ASSERT_LE(*now, generation + reported + 1);
        generation = *now;
        for (int n = 1; n <= kPersons; ++n)
            ASSERT_EQ(personGeneration(store, n), lastSaveOf(n, generation, kPersons)) << "person " << n;

        int temporaries = 0;
        for (const std::string& name : entryNames(folder.path())) {
            if (name == document.filename().string())
                continue;
            ASSERT_TRUE(isTemporaryOf(name, document)) << "stray file " << name;
            ++temporaries;
            std::filesystem::remove(folder / name);
        }
        ASSERT_LE(temporaries, 1);
        cutShort += temporaries;
    }
    RecordProperty("saves", generation);
    RecordProperty("killsInsideAWrite", cutShort);
}

// Two savers of different persons, each also counting its saves in one shared key under update(): every last save
// and every count arrive.
TEST(TwoWriters, LoseNoSaveAndNoCount) {
    constexpr int kRounds = 100;
    constexpr int kCount = 3;
    const ScratchFolder folder;
    const std::filesystem::path document = folder / "cards.qelvo";
    ASSERT_TRUE(createDocument(document, 0));

    const int firsts[] = {1, 1 + kCount};
    std::vector<ChildProcess> writers;
    for (int first : firsts) {
        auto writer = ChildProcess::start({kWriter, document.string(), "persons", std::to_string(first),
                                           std::to_string(kCount), std::to_string(kRounds)});
        ASSERT_TRUE(writer);
        writers.push_back(std::move(*writer));
    }
    for (ChildProcess& writer : writers) {
        const ChildResult result = writer.wait();
        EXPECT_EQ(result.exitCode, 0) << result.err;
    }

    CChkUid store;
    store.InitChkCfg(document, ".qelvo");
    EXPECT_EQ(store.GetMyKey(store::kBaseSection, "hits"), std::to_string(2 * kRounds));
    for (int first : firsts) {
        for (int n = first; n < first + kCount; ++n) {
            int last = kRounds;
            while (first + last % kCount != n)
                --last;
            EXPECT_EQ(personGeneration(store, n), last) << "person " << n;
        }
    }
    EXPECT_EQ(entryNames(folder.path()), std::vector<std::string>{"cards.qelvo"});
}

}  // namespace
}  // namespace faults
