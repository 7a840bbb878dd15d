#include "records/person_saver.h"

#include <algorithm>
#include <string>

#include "util/c_number.h"

namespace records {

std::int32_t nextNewCode(CChkUid& store) {
    const std::string stored = store.GetMyKey(store::kBaseSection, store::kNewCodeKey);
    return stored.empty() ? store::kFirstCode : util::readCInt(stored);
}

bool codeAccepted(std::int32_t code) {
    return code >= store::kFirstCode && code <= store::kLastCode;
}

std::optional<store::Person> storedPerson(CChkUid& store, std::int32_t n) {
    store::IniFile::ReadScope scope(store.file());
    const store::DocumentForm form = store::documentForm(store.GetMyKey(store::kBaseSection, store::kVersionKey));
    store::Person person = store::readPerson(store, n, form);
    const bool any =
        std::any_of(person.texts.begin(), person.texts.end(), [](const std::string& t) { return !t.empty(); });
    if (!any)
        return std::nullopt;
    return person;
}

bool writePerson(CChkUid& store, const Card& card, bool newPerson) {
    const std::int32_t code = card.values.code;
    const std::int32_t n = code - store::kCodeBase;
    const store::Person person = personOfCard(card);
    return store.file().update(
        [&](const store::IniDocument& current, store::IniEditor& editor) -> std::optional<std::string> {
            const auto version = current.value(store::kBaseSection, store::kVersionKey);
            const store::DocumentForm form = store::documentForm(version.value_or(std::string_view()));
            for (const store::IniEdit& edit : store::personEdits(person, n, form))
                if (auto reason = editor.apply(edit))
                    return reason;
            if (!newPerson)
                return std::nullopt;
            const auto lastText = current.value(store::kBaseSection, store::kLastIndexKey);
            const auto codeText = current.value(store::kBaseSection, store::kNewCodeKey);
            const std::int32_t last = std::max(util::readCInt(lastText.value_or(std::string_view())), n);
            const std::int32_t next = std::max(util::readCInt(codeText.value_or(std::string_view())), code + 1);
            const std::string base(store::kBaseSection);
            if (auto reason =
                    editor.apply(store::IniEdit::set(base, std::string(store::kLastIndexKey), store::formatCode(last))))
                return reason;
            return editor.apply(store::IniEdit::set(base, std::string(store::kNewCodeKey), store::formatCode(next)));
        });
}

}  // namespace records
