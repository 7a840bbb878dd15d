#include "exchange/card_exchange.h"

#include <algorithm>
#include <variant>

#include "exchange/aaf_format.h"
#include "exchange/csv_format.h"
#include "input/birthday_parser.h"
#include "records/document_cards.h"
#include "records/person_search.h"
#include "util/c_number.h"
#include "util/format.h"

namespace exchange {

std::vector<store::Person> documentCards(CChkUid& store) {
    std::vector<store::Person> persons = records::documentCards(store);
    std::reverse(persons.begin(), persons.end());
    return persons;
}

CardBirthday cardBirthday(std::string_view typed) {
    CardBirthday birthday;
    const input::BirthdayOutcome parsed = input::parseBirthday(typed);
    if (const auto* error = std::get_if<input::BirthdayError>(&parsed)) {
        birthday.problem = error->message;
        return birthday;
    }
    const auto& result = std::get<input::BirthdayResult>(parsed);
    birthday.text = util::format("%d.%d.%d", static_cast<int>(result.year), static_cast<int>(result.month),
                                 static_cast<int>(result.day));
    if (result.timeGiven)
        *birthday.text += util::format(",%02d%02d", static_cast<int>(util::readCInt(result.timeText.substr(0, 2))),
                                       static_cast<int>(util::readCInt(result.timeText.substr(2, 2))));
    return birthday;
}

std::optional<std::string> valueProblem(std::string_view value) {
    return store::IniDocument::checkEdit(store::IniEdit::Kind::SetValue, "ql_1", "nick", value);
}

namespace {

// Whether section index n holds any key of a person already.
bool occupied(const store::IniDocument& document, std::int32_t n, store::DocumentForm form) {
    const std::string section = store::personSection(n, form);
    if (form == store::DocumentForm::Current)
        return document.hasSection(section);
    return std::any_of(store::kKeyNames.begin(), store::kKeyNames.end(), [&](std::string_view key) {
        return document.value(section, store::personKey(key, n, form)).has_value();
    });
}

std::string_view valueOf(const store::IniDocument& document, std::string_view key) {
    return document.value(store::kBaseSection, key).value_or(std::string_view());
}

// The section indices that hold a person already, for an import in the given form: the document's cards, found in
// one walk; a document that has no counters yet but gets the current form is asked index by index.
std::vector<bool> takenIndices(const store::IniDocument& document, store::DocumentForm form) {
    std::vector<bool> taken(static_cast<std::size_t>(store::kLastIndex) + 1, false);
    if (store::documentForm(valueOf(document, store::kVersionKey)) == form) {
        for (std::int32_t n : records::cardIndices(document))
            taken[static_cast<std::size_t>(n)] = true;
    } else {
        for (std::int32_t n = 1; n <= store::kLastIndex; ++n)
            taken[static_cast<std::size_t>(n)] = occupied(document, n, form);
    }
    return taken;
}

std::size_t digitCount(std::int32_t number) {
    std::size_t digits = 1;
    for (; number >= 10; number /= 10)
        ++digits;
    return digits;
}

// A new person's section in the current form, as the editor would write it: head, then the 36 keys in key-table
// order, each line ended by CR LF.
void appendSection(std::string& out, const store::Person& person, std::int32_t code) {
    out.append("[").append(store::personSection(code - store::kCodeBase, store::DocumentForm::Current)).append("]\r\n");
    for (store::PersonKey key : store::kKeyTable) {
        out.append(store::keyName(key)).push_back('=');
        out.append(key == store::PersonKey::UInd ? store::formatCode(code) : person[key]).append("\r\n");
    }
}

}  // namespace

// A large file makes a large import: the cards are counted and checked first, so that too few free codes are known
// before any card is made, and the new sections go straight into the document's new text, so that the import takes
// little more memory than the store's own write of that text.
ImportOutcome importCards(CChkUid& store, const CardWalk& walk) {
    ImportOutcome outcome;
    std::size_t count = 0;
    std::size_t keyBytes = 0;  // of every key line "key=value\r\n" but the value of "uInd", which the import gives
    std::optional<std::string> problem;
    walk([&](const store::Person& person) {
        ++count;
        for (std::size_t k = 0; k < store::kPersonKeyCount; ++k) {
            const std::string& text = person.texts[k];
            if (!problem)
                problem = valueProblem(text);
            keyBytes += store::kKeyNames[k].size() + 3 +
                        (k == static_cast<std::size_t>(store::PersonKey::UInd) ? 0 : text.size());
        }
    });
    if (problem) {
        outcome.error = *problem;
        return outcome;
    }
    if (count == 0) {
        outcome.ok = true;
        return outcome;
    }
    const bool written = store.file().update(
        [&](const store::IniDocument& current, store::IniEditor& editor) -> std::optional<std::string> {
            const std::string_view newCodeText = valueOf(current, store::kNewCodeKey);
            const bool emptyDocument = newCodeText.empty();
            const store::DocumentForm form = emptyDocument ? store::DocumentForm::Current
                                                           : store::documentForm(valueOf(current, store::kVersionKey));
            const std::int32_t newCode = emptyDocument ? store::kFirstCode : util::readCInt(newCodeText);
            const std::int32_t lastIndex = emptyDocument ? 0 : util::readCInt(valueOf(current, store::kLastIndexKey));
            const std::int32_t start = std::max(newCode, store::kFirstCode);
            std::vector<bool> taken = takenIndices(current, form);
            const auto isTaken = [&taken](std::int32_t code) {
                return taken[static_cast<std::size_t>(code - store::kCodeBase)];
            };
            // The codes first: the cards are made only when there are enough.
            std::size_t free = 0;
            std::size_t headBytes = 0;  // of the heads "[ql_n]\r\n" and the values of "uInd"
            outcome.firstCode = outcome.lastCode = 0;
            for (std::int32_t code = start; code <= store::kLastCode && free < count; ++code) {
                if (isTaken(code))
                    continue;
                ++free;
                if (outcome.firstCode == 0)
                    outcome.firstCode = code;
                outcome.lastCode = code;
                headBytes += 7 + digitCount(code - store::kCodeBase) + digitCount(code);
            }
            if (free < count)
                return util::format(
                    "文档中的空闲编号不够（编号最大为 %d）：只剩 %lu 个，而要导入 %lu 张卡片。未导入任何卡片。",
                    static_cast<int>(store::kLastCode), static_cast<unsigned long>(free),
                    static_cast<unsigned long>(count));
            if (emptyDocument) {
                for (const store::IniEdit& edit : store::newDocumentEdits())
                    if (auto why = editor.apply(edit))
                        return why;
            }
            if (form == store::DocumentForm::Current) {
                editor.appendLater(keyBytes + headBytes, [&walk, taken, start, count](std::string& out) {
                    std::int32_t code = start;
                    std::size_t made = 0;
                    walk([&](const store::Person& person) {
                        if (made == count)
                            return;
                        while (taken[static_cast<std::size_t>(code - store::kCodeBase)])
                            ++code;
                        appendSection(out, person, code++);
                        ++made;
                    });
                });
            } else {
                std::int32_t code = start;
                std::size_t made = 0;
                std::optional<std::string> why;
                walk([&](const store::Person& original) {
                    if (why || made == count)
                        return;
                    while (isTaken(code))
                        ++code;
                    store::Person person = original;
                    person.index = code - store::kCodeBase;
                    person[store::PersonKey::UInd] = store::formatCode(code);
                    for (const store::IniEdit& edit : store::personEdits(person, person.index, form))
                        if ((why = editor.apply(edit)))
                            return;
                    ++code;
                    ++made;
                });
                if (why)
                    return why;
            }
            const std::string base(store::kBaseSection);
            const std::int32_t last = std::max(lastIndex, outcome.lastCode - store::kCodeBase);
            const std::int32_t next = std::max(newCode, outcome.lastCode + 1);
            if (auto why =
                    editor.apply(store::IniEdit::set(base, std::string(store::kLastIndexKey), store::formatCode(last))))
                return why;
            return editor.apply(store::IniEdit::set(base, std::string(store::kNewCodeKey), store::formatCode(next)));
        });
    if (!written) {
        outcome.error = store.lastError();
        outcome.firstCode = outcome.lastCode = 0;
        return outcome;
    }
    outcome.ok = true;
    outcome.imported = static_cast<int>(count);
    return outcome;
}

ImportOutcome importCards(CChkUid& store, const std::vector<store::Person>& persons) {
    return importCards(store, [&persons](const CardSink& visit) {
        for (const store::Person& person : persons)
            visit(person);
    });
}

FileImport importFile(CChkUid& store, Format format, std::string_view bytes, std::string_view recorded) {
    FileImport result;
    // Each walk reads the file afresh and finds the same records and problems.
    result.outcome = importCards(store, [&](const CardSink& visit) {
        ReadReport report = format == Format::Csv ? readCsv(bytes, visit) : readAaf(bytes, recorded, visit);
        result.problems = std::move(report.problems);
        result.notes = std::move(report.notes);
    });
    return result;
}

std::optional<std::string> importFileProblem(const store::fileio::ReadResult& read) {
    if (!read.ok)
        return read.error;
    if (!read.exists)
        return std::string("文件不存在");
    return std::nullopt;
}

std::string problemLines(const std::vector<Problem>& problems) {
    std::string out;
    for (const Problem& p : problems) {
        if (p.line > 0)
            out += util::format("第 %d 行：", p.line);
        out += p.reason;
        out += '\n';
    }
    return out;
}

}  // namespace exchange
