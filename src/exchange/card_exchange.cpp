#include "exchange/card_exchange.h"

#include <algorithm>

#include "records/document_cards.h"
#include "util/c_number.h"
#include "util/format.h"

namespace exchange {

std::vector<store::Person> documentCards(CChkUid& store) {
    std::vector<store::Person> persons = records::documentCards(store);
    std::reverse(persons.begin(), persons.end());
    return persons;
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

}  // namespace

ImportOutcome importCards(CChkUid& store, const std::vector<store::Person>& persons) {
    ImportOutcome outcome;
    if (persons.empty()) {
        outcome.ok = true;
        return outcome;
    }
    for (const store::Person& person : persons) {
        for (const std::string& text : person.texts) {
            if (auto why = valueProblem(text)) {
                outcome.error = *why;
                return outcome;
            }
        }
    }
    const bool written = store.file().update(
        [&](const store::IniDocument& current, store::IniEditor& editor) -> std::optional<std::string> {
            const std::string_view newCodeText = valueOf(current, store::kNewCodeKey);
            const bool emptyDocument = newCodeText.empty();
            if (emptyDocument) {
                for (const store::IniEdit& edit : store::newDocumentEdits())
                    if (auto why = editor.apply(edit))
                        return why;
            }
            const store::DocumentForm form = emptyDocument ? store::DocumentForm::Current
                                                           : store::documentForm(valueOf(current, store::kVersionKey));
            const std::int32_t newCode = emptyDocument ? store::kFirstCode : util::readCInt(newCodeText);
            const std::int32_t lastIndex = emptyDocument ? 0 : util::readCInt(valueOf(current, store::kLastIndexKey));
            std::int32_t code = std::max(newCode, store::kFirstCode);
            outcome.firstCode = 0;
            for (const store::Person& original : persons) {
                while (code <= store::kLastCode && occupied(current, code - store::kCodeBase, form))
                    ++code;
                if (code > store::kLastCode)
                    return util::format("文档中已没有空闲的编号（最大为 %d），未导入任何卡片。",
                                        static_cast<int>(store::kLastCode));
                store::Person person = original;
                person.index = code - store::kCodeBase;
                person[store::PersonKey::UInd] = store::formatCode(code);
                for (const store::IniEdit& edit : store::personEdits(person, person.index, form))
                    if (auto why = editor.apply(edit))
                        return why;
                if (outcome.firstCode == 0)
                    outcome.firstCode = code;
                outcome.lastCode = code;
                ++code;
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
    outcome.imported = static_cast<int>(persons.size());
    return outcome;
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
