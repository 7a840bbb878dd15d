#include "records/person_card.h"

#include "util/c_number.h"
#include "util/format.h"

namespace records {

namespace {

using store::PersonKey;

int choiceOf(const std::string& stored) {
    const std::int32_t n = util::readCInt(stored);
    return n >= 0 ? n : -1;
}

}  // namespace

Card cardOfPerson(const store::Person& person) {
    Card card;
    CardValues& v = card.values;
    v.code = util::readCInt(person[PersonKey::UInd]);
    v.name = person[PersonKey::Nick];
    v.birthday = person[PersonKey::Srday];
    v.lunarDate = person[PersonKey::Nongli];
    v.area = person[PersonKey::Area];
    v.memo = store::memoFromDocument(person[PersonKey::Memo]);
    v.aspects.square = person[PersonKey::Xxw];
    v.aspects.opposition = person[PersonKey::Cxw];
    v.aspects.conjunction = person[PersonKey::Hxw];
    v.aspects.trine = person[PersonKey::Gxw];
    v.aspects.sextile = person[PersonKey::Lxw];
    v.aspects.plumBlossom = person[PersonKey::Mxw];
    v.aspects.sunMoon = person[PersonKey::Rydu];
    card.choices.category = choiceOf(person[PersonKey::Type]);
    card.choices.timeZone = choiceOf(person[PersonKey::Timezone]);
    for (std::size_t p = 0; p < store::kPlanetTable.size(); ++p) {
        card.choices.signs[p] = choiceOf(person[store::kPlanetTable[p].signKey]);
        v.degrees[p] = util::readCFloat(person[store::kPlanetTable[p].degreeKey]);
    }
    v.noteTime = person[PersonKey::NoteTime];
    return card;
}

store::Person personOfCard(const Card& card) {
    const CardValues& v = card.values;
    store::Person person;
    person.index = v.code - store::kCodeBase;
    person[PersonKey::UInd] = store::formatCode(v.code);
    person[PersonKey::Nick] = v.name;
    person[PersonKey::Type] = store::formatIndex(card.choices.category);
    person[PersonKey::Srday] = v.birthday;
    person[PersonKey::Nongli] = v.lunarDate;
    person[PersonKey::Timezone] = store::formatIndex(card.choices.timeZone);
    person[PersonKey::Area] = v.area;
    person[PersonKey::Xxw] = v.aspects.square;
    person[PersonKey::Cxw] = v.aspects.opposition;
    person[PersonKey::Hxw] = v.aspects.conjunction;
    person[PersonKey::Gxw] = v.aspects.trine;
    person[PersonKey::Lxw] = v.aspects.sextile;
    person[PersonKey::Mxw] = v.aspects.plumBlossom;
    person[PersonKey::Rydu] = v.aspects.sunMoon;
    person[PersonKey::Memo] = store::memoToDocument(v.memo);
    for (std::size_t p = 0; p < store::kPlanetTable.size(); ++p) {
        person[store::kPlanetTable[p].signKey] = store::formatIndex(card.choices.signs[p]);
        person[store::kPlanetTable[p].degreeKey] = store::formatDegree(v.degrees[p]);
    }
    person[PersonKey::NoteTime] = v.noteTime;
    return person;
}

std::string formatDegreeField(float degree) {
    return util::format("%g", static_cast<double>(degree));
}

}  // namespace records
