#pragma once

#include <array>
#include <deque>
#include <functional>
#include <string>
#include <string_view>

#include "core/answer_text.h"

// The calculator's desk: takes each request, answers it, hands the answer to whoever delivers it to the window that
// asked, and keeps what the calculator's window shows of the last request. Portable: the window system is behind
// the delivery function.
namespace corvina {

enum class Delivery {
    Sent,      // the window took the message
    NoWindow,  // no top-level window of the class
    Failed,    // the window was there but the message did not reach it (it ended meanwhile, or hangs)
};

// Sends the answer's bytes (its terminating NUL included) to the top-level window of the class.
using DeliverAnswer = std::function<Delivery(const std::string& windowClass, const std::string& answer)>;

// One planet (or the ascendant or midheaven) of the last answer, as the window shows it; all empty when there was
// nothing to show.
struct PlanetShown {
    std::string name;      // 太阳, 上升, 天顶
    std::string sign;      // 摩羯
    std::string position;  // 11°16′, cut as the answer's item is
};

// What the window shows of the last request, as GBK texts; a text is empty when there is nothing to say.
struct DeskView {
    std::string request;  // the request as it came; bytes outside printable ASCII as '?'
    std::string moment;   // 1991年1月2日 12:55，东8区（UTC+8），格里历
    std::array<PlanetShown, kPlanetCount> planets;
    std::string problem;  // why no answer went out, or what was assumed
    int answersSent = 0;  // since the desk was opened

    // A request with a place: the moment names the offset instead of the zone (1991年1月2日 12:55，UTC+5:45，格里历),
    // and the place, the house system (普拉西德制, or 整宫制（极圈内） where Placidus has none), the ascendant
    // (上升) and the midheaven (天顶) are shown; all empty otherwise.
    std::string place;  // 北纬23.3540° 东经116.6820°
    std::string houseSystem;
    std::array<PlanetShown, 2> angles;
};

class RequestDesk {
  public:
    explicit RequestDesk(DeliverAnswer deliver) : deliver_(std::move(deliver)) {}

    // Answers the request; true when its answer was delivered. A request that arrives while an answer is being
    // delivered (the window system may hand it over during the delivery) waits its turn and is answered right after.
    bool take(std::string_view requestBytes);

    const DeskView& view() const { return view_; }

  private:
    bool answer(const std::string& requestBytes);

    DeliverAnswer deliver_;
    DeskView view_;
    bool delivering_ = false;
    std::deque<std::string> waiting_;
};

// The name of zone index 1..25 as the card index's list shows it ("东8区", "中时区", "西3区"); empty otherwise.
std::string zoneName(int zoneIndex);

}  // namespace corvina
