#include "records/document_cards.h"

#include <algorithm>
#include <functional>

#include "util/gbk.h"

namespace records {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// The section index a run of digits stands for, as "%ld" writes it (no sign, no leading zero), or 0.
std::int32_t indexOfDigits(std::string_view digits) {
    if (digits.empty() || digits.size() > 6 || digits[0] == '0')
        return 0;
    std::int32_t n = 0;
    for (char c : digits) {
        if (!isDigit(c))
            return 0;
        n = n * 10 + (c - '0');
    }
    return n <= store::kLastIndex ? n : 0;
}

// The index of an old-form key "<name>_<n>" whose name is one of a person's keys, or 0.
std::int32_t oldFormIndex(std::string_view key) {
    const std::size_t underscore = key.rfind('_');
    if (underscore == std::string_view::npos)
        return 0;
    const std::string_view name = key.substr(0, underscore);
    const bool personKey = std::any_of(store::kKeyNames.begin(), store::kKeyNames.end(),
                                       [&](std::string_view k) { return util::gbk::equalsIgnoringAsciiCase(k, name); });
    return personKey ? indexOfDigits(key.substr(underscore + 1)) : 0;
}

}  // namespace

std::int32_t cardIndexOfSection(std::string_view section) {
    if (section.size() < 4 || !util::gbk::equalsIgnoringAsciiCase(section.substr(0, 3), "ql_"))
        return 0;
    return indexOfDigits(section.substr(3));
}

std::vector<std::int32_t> cardIndices(const store::IniDocument& document) {
    const auto version = document.value(store::kBaseSection, store::kVersionKey);
    const store::DocumentForm form = store::documentForm(version.value_or(std::string_view()));
    std::vector<std::int32_t> indices;
    if (form == store::DocumentForm::Current) {
        for (std::string_view name : document.sectionNames())
            if (const std::int32_t n = cardIndexOfSection(name))
                indices.push_back(n);
    } else {
        document.forEachEntry(store::kOldSection, [&](const store::IniEntry& entry) {
            if (const std::int32_t n = oldFormIndex(entry.key))
                indices.push_back(n);
        });
    }
    // Newest first, each card once (a section or key written twice is read as a read finds it: the first).
    std::sort(indices.begin(), indices.end(), std::greater<>());
    indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
    return indices;
}

std::vector<store::Person> documentCards(CChkUid& store) {
    // The indices and the cards come from the same version of the file.
    store::IniFile::ReadScope scope(store.file());
    const std::vector<std::int32_t> indices = cardIndices(*store.file().document());
    const store::DocumentForm form = store::documentForm(store.GetMyKey(store::kBaseSection, store::kVersionKey));
    std::vector<store::Person> persons;
    persons.reserve(indices.size());
    for (const std::int32_t n : indices)
        persons.push_back(store::readPerson(store, n, form));
    return persons;
}

}  // namespace records
