// The road of a birth in daylight-saving time, from the card index's form to the real calculator and back: born at
// 08:00 on 1 July 1988 in Beijing, when China's clocks stood at UTC+9. The form asks; with Yes the planets are those
// of 23:00 UT on 30 June, with No those of 00:00 UT on 1 July, each equal to the ephemeris' own command-line tool
// cut to whole minutes. The calculator runs as its own program (corvina --answer), as the card index reaches it.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "app/form_layout.h"
#include "app/main_form.h"
#include "link/message_transport.h"
#include "scratch.h"
#include "store/person_document.h"
#include "ui/headless/headless_window.h"
#include "util/clock.h"
#include "util/format.h"

namespace {

std::string output(const std::string& command) {
    std::string text;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return text;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr)
        text += buffer;
    pclose(pipe);
    return text;
}

// The tool's ten longitudes for a moment in universal time.
std::vector<double> toolLongitudes(int year, int month, int day, int hour) {
    const std::string text = output(util::format("'%s' -b%d.%d.%d -ut%d:00:00 -p0123456789 -fl -emos -head 2>&1",
                                                 CORVINA_SWETEST, day, month, year, hour));
    std::vector<double> longitudes;
    std::size_t pos = 0;
    while (longitudes.size() < 10 && pos < text.size()) {
        std::size_t used = 0;
        try {
            longitudes.push_back(std::stod(text.substr(pos), &used));
        } catch (...) {
            break;
        }
        pos += used;
    }
    return longitudes;
}

struct Road {
    std::vector<std::string> requests;
    std::vector<int> signs;
    std::vector<std::string> degrees;
};

Road pressGetBirthday(ui::Answer reply) {
    testing_support::ScratchFolder folder;
    ui::headless::HeadlessWindow window{app::mainFormLayout()};
    util::FixedClock clock{0};
    calclink::LoopbackTransport transport;
    app::MainForm form{window, clock, transport};
    window.attach(&form);
    Road road;
    transport.addWindow("Corvina", [&](std::string_view request) {
        road.requests.emplace_back(request);
        std::string answer = output("'" CORVINA_PROGRAM "' --answer '" + std::string(request) + "'");
        while (!answer.empty() && (answer.back() == '\n' || answer.back() == '\r'))
            answer.pop_back();
        transport.sendCopyData(app::kFormClassName, answer);
        return std::intptr_t{1};
    });
    const std::u8string path = (folder / "cfg.qelvo").u8string();
    form.initialize(std::string(path.begin(), path.end()));
    window.answerNext(reply);
    window.type(app::kIdInput, "1988年7月1日，0800");
    window.type(app::kIdArea, "中国北京");
    window.click(app::kIdGetBirthday);
    for (const store::PlanetEntry& planet : store::kPlanetTable) {
        road.signs.push_back(window.selection(planet.signList));
        road.degrees.push_back(window.text(planet.degreeEdit));
    }
    return road;
}

void expectTheTool(const Road& road, int year, int month, int day, int hour) {
    const std::vector<double> tool = toolLongitudes(year, month, day, hour);
    ASSERT_EQ(tool.size(), 10u);
    for (std::size_t p = 0; p < 10; ++p) {
        SCOPED_TRACE(p);
        const int minutes = static_cast<int>(std::floor(tool[p] * 60));
        EXPECT_EQ(road.signs[p], minutes / 1800 + 1);
        EXPECT_NEAR(std::stod(road.degrees[p]), minutes % 1800 / 60 + minutes % 60 / 100.0, 1e-6) << "tool " << tool[p];
    }
}

TEST(ClockChangeRoad, SummerTimeBirthInBeijingWithTheRealCalculator) {
    const Road yes = pressGetBirthday(ui::Answer::Yes);
    ASSERT_EQ(yes.requests, std::vector<std::string>{"$mvQelvo#1988.7.1,0800:4"});
    expectTheTool(yes, 1988, 6, 30, 23);

    const Road no = pressGetBirthday(ui::Answer::No);
    ASSERT_EQ(no.requests, std::vector<std::string>{"$mvQelvo#1988.7.1,0800:5"});
    expectTheTool(no, 1988, 7, 1, 0);
    EXPECT_NE(yes.degrees[1], no.degrees[1]);  // the moon moved in that hour
}

}  // namespace
