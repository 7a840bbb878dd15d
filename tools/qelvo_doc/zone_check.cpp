#include "zone_check.h"

#include <variant>

#include "input/birthday_parser.h"
#include "input/clock_history.h"
#include "records/document_cards.h"
#include "store/person_document.h"
#include "util/c_number.h"

namespace {

using input::ClockCheck;
using input::ClockState;

// What the clocks showed, when the stored zone disagrees with it.
std::optional<std::string> disagreement(const ClockCheck& check) {
    const ClockState& before = check.reading.before;
    const ClockState& after = check.reading.after;
    switch (check.kind) {
        case ClockCheck::Kind::kDiffers:
        case ClockCheck::Kind::kNotInList:
            return input::clockStateText(before);
        case ClockCheck::Kind::kSkipped:
            return "不存在：" + input::clockStateText(before) + "拨快到" + input::clockStateText(after);
        case ClockCheck::Kind::kRepeated: {
            const std::int32_t stored = (13 - check.zoneIndex) * 3600;
            if (stored == before.offsetSeconds || stored == after.offsetSeconds)
                return std::nullopt;
            return "两次：" + input::clockStateText(before) + "和" + input::clockStateText(after);
        }
        default:
            return std::nullopt;
    }
}

}  // namespace

ZoneDisagreements findZoneDisagreements(CChkUid& store) {
    using store::PersonKey;
    store::IniFile::ReadScope scope(store.file());
    ZoneDisagreements found;
    const store::DocumentForm form = store::documentForm(store.GetMyKey(store::kBaseSection, store::kVersionKey));
    // The cards the document holds, as every command sees them: not the indices below "uLastInd", which may name
    // far more indices than there are cards, or fewer.
    for (const std::int32_t n : records::cardIndices(*store.file().document())) {
        const store::Person person = store::readPerson(store, n, form);
        const input::BirthdayOutcome parsed = input::parseBirthday(person[PersonKey::Srday]);
        const auto* birthday = std::get_if<input::BirthdayResult>(&parsed);
        if (birthday == nullptr)
            continue;
        const int zone = util::readCInt(person[PersonKey::Timezone]);
        const std::optional<std::string> clocks =
            disagreement(input::checkBirthClock(person[PersonKey::Area], *birthday, zone));
        if (!clocks)
            continue;
        for (const std::string& cell : {person[PersonKey::UInd], person[PersonKey::Nick], person[PersonKey::Srday],
                                        input::timeZoneEntryName(zone)})
            found.lines.append(cell).push_back('\t');
        found.lines.append(*clocks).push_back('\n');
        ++found.count;
    }
    return found;
}
