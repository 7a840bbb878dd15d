#include "ephemeris/request_desk.h"

#include <cmath>
#include <cstdlib>

#include "chart/zodiac_sign_table.h"
#include "ephemeris/request_answer.h"
#include "util/format.h"

namespace corvina {
namespace {

constexpr std::string_view kPlanetNames[kPlanetCount] = {"太阳", "月亮", "水星",   "金星",   "火星",
                                                         "木星", "土星", "天王星", "海王星", "冥王星"};

// A request longer than this is shown cut, with "..." after it.
constexpr std::size_t kShownRequestBytes = 120;

std::string shownRequest(std::string_view bytes) {
    std::string shown;
    for (const char c : bytes.substr(0, kShownRequestBytes))
        shown += (c >= ' ' && c <= '~') ? c : '?';
    if (bytes.size() > kShownRequestBytes)
        shown += "...";
    return shown;
}

std::string yearText(int year) {
    // Astronomical years: 0 is 1 BC.
    return year > 0 ? util::format("%d年", year) : util::format("公元前%lld年", 1LL - year);
}

// With a place the offset is the place's, to the minute, and the zone is not named: it was not used.
std::string momentLine(const CalculatorRequest& r, const BirthMoment& m) {
    std::string zone;
    if (r.place) {
        const int offset = std::abs(m.offsetMinutes);
        zone = util::format("UTC%c%d:%02d", m.offsetMinutes < 0 ? '-' : '+', offset / 60, offset % 60);
    } else {
        zone = util::format("%s（UTC%+d）", zoneName(m.zoneIndex).c_str(), zoneOffsetHours(m.zoneIndex));
    }
    return util::format("%s%d月%d日 %02d:%02d，%s，%s", yearText(r.year).c_str(), r.month, r.day, r.hour, r.minute,
                        zone.c_str(), m.julianCalendar ? "儒略历" : "格里历");
}

std::string placeLine(const BirthPlace& place) {
    return util::format("%s%.4f° %s%.4f°", place.latitude < 0 ? "南纬" : "北纬", std::fabs(place.latitude),
                        place.longitude < 0 ? "西经" : "东经", std::fabs(place.longitude));
}

PlanetShown positionShown(std::string_view name, double longitude) {
    const CutPosition cut = cutPosition(longitude);  // the same cut as the answer's item
    return PlanetShown{std::string(name), std::string(chart::signComboText(cut.sign)),
                       util::format("%d°%02d′", cut.degrees, cut.minutes)};
}

}  // namespace

std::string zoneName(int zoneIndex) {
    if (zoneIndex < 1 || zoneIndex > 25)
        return {};
    if (zoneIndex == 13)
        return "中时区";
    return zoneIndex < 13 ? util::format("东%d区", 13 - zoneIndex) : util::format("西%d区", zoneIndex - 13);
}

bool RequestDesk::take(std::string_view requestBytes) {
    if (delivering_) {
        waiting_.emplace_back(requestBytes);
        return false;
    }
    bool delivered = answer(std::string(requestBytes));
    while (!waiting_.empty()) {
        const std::string next = std::move(waiting_.front());
        waiting_.pop_front();
        answer(next);
    }
    return delivered;
}

bool RequestDesk::answer(const std::string& requestBytes) {
    const RequestAnswer result = answerRequest(requestBytes);
    view_.request = shownRequest(requestBytes);
    view_.moment = result.moment ? momentLine(*result.request, *result.moment) : std::string();
    view_.place = result.request && result.request->place ? placeLine(*result.request->place) : std::string();
    for (int p = 0; p < kPlanetCount; ++p)
        view_.planets[static_cast<std::size_t>(p)] =
            result.longitudes ? positionShown(kPlanetNames[p], (*result.longitudes)[static_cast<std::size_t>(p)])
                              : PlanetShown{};
    view_.houseSystem.clear();
    view_.angles = {};
    if (result.houses) {
        view_.houseSystem = result.houses->system == HouseSystem::Placidus ? "普拉西德制" : "整宫制（极圈内）";
        view_.angles = {positionShown("上升", result.houses->ascendant),
                        positionShown("天顶", result.houses->midheaven)};
    }
    if (!result.request) {
        view_.problem = "请求无法读取，未应答：" + result.reason;
        return false;
    }
    if (!result.answer) {
        view_.problem = "未应答：" + result.reason;
        return false;
    }
    view_.problem = result.moment->zoneDefaulted && !result.request->place
                        ? util::format("时区序号 %d 不在 1..25 之内，按东8区计算", result.request->zoneIndex)
                        : std::string();

    delivering_ = true;
    const Delivery delivery = deliver_(result.windowClass, *result.answer);
    delivering_ = false;
    switch (delivery) {
        case Delivery::Sent:
            ++view_.answersSent;
            return true;
        case Delivery::NoWindow:
            view_.problem = util::format("找不到类名为 %s 的窗口，应答未送出", result.windowClass.c_str());
            return false;
        case Delivery::Failed:
            view_.problem = util::format("%s 窗口没有收下应答（已关闭或无响应）", result.windowClass.c_str());
            return false;
    }
    return false;
}

}  // namespace corvina
