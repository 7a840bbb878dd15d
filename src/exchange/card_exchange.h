#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/chk_uid.h"
#include "store/file_io.h"
#include "store/person_document.h"

// Moving cards out of and into the person document: every card as it is stored, and an import that adds cards
// under new codes without ever overwriting one, in one atomic write. The file formats live beside it (csv_format,
// aaf_format); all of them meet in the Person record, whose 36 texts are the document's own.
namespace exchange {

// Why a record of a file was not read, or what an export had to change; texts are GBK.
struct Problem {
    int line = 0;  // 1-based line of the file where the record starts; 0 when it is about no line
    std::string reason;
};

// Takes each card a reader could read, in file order; the card lives only during the call.
using CardSink = std::function<void(const store::Person&)>;

// What a reader made of a file: how many cards it handed on, the records it skipped with why, and notes for the user
// on what of the file it did not use (GBK).
struct ReadReport {
    std::size_t cards = 0;
    std::vector<Problem> problems;
    std::vector<std::string> notes;
};

// The same with the cards themselves, in file order.
struct ReadCards {
    std::vector<store::Person> persons;  // index and "uInd" are not used: an import gives new ones
    std::vector<Problem> problems;
    std::vector<std::string> notes;
};

// What a writer made: the file's bytes, and what it could not write exactly.
struct WrittenCards {
    std::string bytes;
    std::vector<Problem> problems;
};

// Every card of the document (the cards records::documentCards names), oldest (lowest section index) first, read
// from one version of it.
std::vector<store::Person> documentCards(CChkUid& store);

struct ImportOutcome {
    bool ok = false;  // false: nothing was written, error says why
    int imported = 0;
    std::int32_t firstCode = 0;  // the codes the cards got, in order, from firstCode to lastCode with no card
    std::int32_t lastCode = 0;   // overwritten (codes in use are passed over)
    std::string error;
};

// Cards that can be walked more than once, the same cards each time.
using CardWalk = std::function<void(const CardSink& visit)>;

// Adds the cards as saving each as a new person would: each gets the next free code from "newcode" on (a code whose
// section already holds any key is passed over), and "uLastInd" and "newcode" move forward once for all of them. One
// atomic replacement of the file; an empty document gets its base section first. Nothing is written when any card
// cannot be or there are fewer free codes than cards (then error says why), nor when there are none. The cards are
// walked once to count and check them, and once more to write them: they are never all held at once.
ImportOutcome importCards(CChkUid& store, const CardWalk& walk);
ImportOutcome importCards(CChkUid& store, const std::vector<store::Person>& persons);

enum class Format { Csv, Aaf };

// An import of a file's bytes: the readable records as new cards (importCards), with what the reader skipped and
// noted. outcome.ok with nothing imported: the file held no readable card, and nothing was written.
struct FileImport {
    ImportOutcome outcome;
    std::vector<Problem> problems;
    std::vector<std::string> notes;
};
FileImport importFile(CChkUid& store, Format format, std::string_view bytes, std::string_view recorded);

// Why a file read for an import gives nothing to import: missing, or the file layer's reason (a folder, a device or
// pipe, no permission to read it); nothing when its bytes were read.
std::optional<std::string> importFileProblem(const store::fileio::ReadResult& read);

// The birthday a card keeps for a text the form's birthday parser accepts: year.month.day[,hhmm], the time written
// from its numbers (the parser reads "1-2," as 01:02 too), so that the parser reads the card's text back as it is;
// otherwise the parser's message (GBK).
struct CardBirthday {
    std::optional<std::string> text;
    std::string problem;
};
CardBirthday cardBirthday(std::string_view typed);

// Why a text cannot be the value of a key (a line break or NUL), or nothing when it can.
std::optional<std::string> valueProblem(std::string_view value);

// The problems as lines for the user: "第 12 行：..." (GBK, each line ended by "\n").
std::string problemLines(const std::vector<Problem>& problems);

}  // namespace exchange
