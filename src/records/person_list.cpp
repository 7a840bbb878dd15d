#include "records/person_list.h"

#include "chart/zodiac_sign_table.h"
#include "util/c_number.h"

namespace records {

std::vector<store::Person> readPersonList(CChkUid& store) {
    // One check of the file for the whole fill: every read sees the same document, and a large one is not
    // re-examined 36 000 times.
    store::IniFile::ReadScope scope(store.file());
    std::vector<store::Person> persons;
    const std::int32_t last = util::readCInt(store.GetMyKey(store::kBaseSection, store::kLastIndexKey));
    const store::DocumentForm form = store::documentForm(store.GetMyKey(store::kBaseSection, store::kVersionKey));
    if (last < 1)
        return persons;
    persons.reserve(static_cast<std::size_t>(last < kListLimit ? last : kListLimit));
    for (std::int32_t n = last; n >= 1 && static_cast<int>(persons.size()) < kListLimit; --n)
        persons.push_back(store::readPerson(store, n, form));
    return persons;
}

std::vector<std::string> listRow(const store::Person& person) {
    using store::PersonKey;
    std::vector<std::string> cells;
    cells.reserve(kListColumns);
    cells.push_back(person[PersonKey::UInd]);
    cells.push_back(person[PersonKey::Nick]);
    cells.push_back(person[PersonKey::Srday]);
    cells.push_back(person[PersonKey::Nongli]);
    for (const store::PlanetEntry& planet : store::kPlanetTable)
        cells.emplace_back(chart::signAbbreviationOfText(person[planet.signKey]));
    return cells;
}

}  // namespace records
