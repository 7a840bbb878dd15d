#include "app/birth_clock_question.h"

#include "app/main_form.h"
#include "util/format.h"

namespace app {
namespace {

using input::ClockCheck;
using input::ClockState;
using input::ClockTime;

// 1988年7月1日08:00
std::string momentText(const input::BirthdayResult& b) {
    return util::format("%d年%d月%d日%s:%s", static_cast<int>(b.year), static_cast<int>(b.month),
                        static_cast<int>(b.day), b.timeText.substr(0, 2).c_str(), b.timeText.substr(2, 2).c_str());
}

// “东8区”（UTC+8）
std::string entryText(int index) {
    return "“" + input::timeZoneEntryName(index) + "”（" + input::utcOffsetText((13 - index) * 3600) + "）";
}

std::string proceedText(int index) {
    return "\r\n请核对出生时间；将按所选时区" + entryText(index) + "计算。";
}

// Halves away from zero.
int minutesOf(std::int32_t offsetSeconds) {
    return (offsetSeconds + (offsetSeconds < 0 ? -30 : 30)) / 60;
}

}  // namespace

std::string birthClockText(const ClockCheck& check, const input::BirthdayResult& birthday) {
    if (!check.place)
        return {};
    const std::string moment = momentText(birthday);
    const std::string place(check.place->name);
    const ClockState& before = check.reading.before;
    const ClockState& after = check.reading.after;
    switch (check.kind) {
        case ClockCheck::Kind::kDiffers: {
            const ClockTime time = input::clockTimeOf(before);
            const std::string clocks = time == ClockTime::kSummer || time == ClockTime::kWinter
                                           ? util::format("%s在%s正值%s，当地时钟为%s", moment.c_str(), place.c_str(),
                                                          input::clockTimeName(time).c_str(),
                                                          input::utcOffsetText(before.offsetSeconds).c_str())
                                           : util::format("%s在%s，当地时钟为%s", moment.c_str(), place.c_str(),
                                                          input::clockStateText(before).c_str());
            return util::format("%s，而所选时区%s不同。\r\n要按当地时钟实际的%s（“%s”）计算吗？", clocks.c_str(),
                                entryText(check.zoneIndex).c_str(), input::utcOffsetText(before.offsetSeconds).c_str(),
                                input::timeZoneEntryName(check.suggestedIndex).c_str());
        }
        case ClockCheck::Kind::kNotInList:
            if (check.place->longitude)
                return util::format(
                    "%s在%s，当地时钟为%s，不是时区列表中的整点时区。\r\n将按%s计算，时区列表仍为所选的%s。",
                    moment.c_str(), place.c_str(), input::clockStateText(before).c_str(),
                    input::utcOffsetText(minutesOf(before.offsetSeconds) * 60).c_str(),
                    entryText(check.zoneIndex).c_str());
            return util::format("%s在%s，当地时钟为%s，不是时区列表中的整点时区，无法按它计算。", moment.c_str(),
                                place.c_str(), input::clockStateText(before).c_str()) +
                   proceedText(check.zoneIndex);
        case ClockCheck::Kind::kSkipped:
            return util::format("%s在%s并不存在：当地时钟在这时从%s拨快到%s，跳过了这段时间。", moment.c_str(),
                                place.c_str(), input::clockStateText(before).c_str(),
                                input::clockStateText(after).c_str()) +
                   proceedText(check.zoneIndex);
        case ClockCheck::Kind::kRepeated:
            return util::format("%s在%s出现了两次：当地时钟在这时从%s拨回到%s，这段时间走过两次，无法确定是哪一次。",
                                moment.c_str(), place.c_str(), input::clockStateText(before).c_str(),
                                input::clockStateText(after).c_str()) +
                   proceedText(check.zoneIndex);
        default:
            return {};
    }
}

int settleBirthClock(ui::Window& window, std::string_view area, const input::BirthdayResult& birthday, int zoneIndex) {
    const ClockCheck check = input::checkBirthClock(area, birthday, zoneIndex);
    const std::string text = birthClockText(check, birthday);
    if (text.empty())
        return zoneIndex;
    if (check.kind != ClockCheck::Kind::kDiffers) {
        window.messageBox(text, kMessageCaption);
        return zoneIndex;
    }
    return window.ask(text, kMessageCaption) == ui::Answer::Yes ? check.suggestedIndex : zoneIndex;
}

int BirthClockChoice::offsetMinutes() const {
    return minutesOf(offsetSeconds);
}

BirthClockChoice settleBirthClock(ui::Window& window,
                                  const input::ClockPlace& place,
                                  const input::BirthdayResult& birthday,
                                  int zoneIndex) {
    const ClockCheck check = input::checkBirthClock(place, birthday, zoneIndex);
    const std::optional<std::int32_t> entry = input::timeZoneOffsetOfIndex(zoneIndex);
    // The clocks' own offset where they showed the time once; where they did not, the chosen entry's stands.
    const bool once = check.reading.kind == input::ClockReading::Kind::kOne;
    BirthClockChoice choice{zoneIndex, once || !entry ? check.reading.before.offsetSeconds : *entry};
    const std::string text = birthClockText(check, birthday);
    if (check.kind == ClockCheck::Kind::kDiffers) {
        if (window.ask(text, kMessageCaption) == ui::Answer::Yes)
            choice.zoneIndex = check.suggestedIndex;
        else
            choice.offsetSeconds = *entry;
    } else if (!text.empty()) {
        window.messageBox(text, kMessageCaption);
    }
    return choice;
}

}  // namespace app
