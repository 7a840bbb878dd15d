#include "chart_command.h"

#include <charconv>
#include <cstdio>
#include <optional>

#include "arguments.h"
#include "chart/wheel_picture.h"
#include "chart/wheel_svg.h"
#include "records/person_card.h"
#include "records/person_saver.h"
#include "store/person_document.h"
#include "tool_output.h"
#include "util/format.h"

namespace {

constexpr double kDefaultPixels = 600;
constexpr int kSmallestPixels = 100;
constexpr int kLargestPixels = 10000;

int complain(const std::string& message, int status, bool raw) {
    const std::string text = forTerminal(message + "\n", raw);
    std::fwrite(text.data(), 1, text.size(), stderr);
    return status;
}

std::optional<int> wholeNumber(const std::string& text) {
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [at, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || at != end)
        return std::nullopt;
    return value;
}

}  // namespace

int runChartCommand(CChkUid& store, const std::vector<std::string>& operands, bool raw) {
    if (operands.empty() || operands.size() > 3)
        return complain("用法：qelvo-doc 文档 chart 编号 [输出.svg|- [像素]]", 2, raw);
    const std::optional<int> code = wholeNumber(operands[0]);
    if (!code || !records::codeAccepted(*code))
        return complain(util::format("编号必须是%d到%d之间的整数。", static_cast<int>(store::kFirstCode),
                                     static_cast<int>(store::kLastCode)),
                        2, raw);
    double pixels = kDefaultPixels;
    if (operands.size() == 3) {
        const std::optional<int> size = wholeNumber(operands[2]);
        if (!size || *size < kSmallestPixels || *size > kLargestPixels)
            return complain(util::format("像素必须是%d到%d之间的整数。", kSmallestPixels, kLargestPixels), 2, raw);
        pixels = *size;
    }

    const std::optional<store::Person> person = records::storedPerson(store, *code - store::kCodeBase);
    if (store.file().unreadable())
        return complain(util::format("无法读取文档：%s", store.lastError().c_str()), 2, raw);
    if (!person)
        return complain(util::format("文档中没有编号为%d的卡片。", *code), 1, raw);

    const records::Card card = records::cardOfPerson(*person);
    chart::WheelChart wheel;
    for (std::size_t p = 0; p < wheel.planets.size(); ++p)
        wheel.planets[p] = {card.choices.signs[p], card.values.degrees[p]};
    wheel.title = util::format("%d %s", *code, card.values.name.c_str());
    const chart::WheelPicture picture = chart::drawWheel(wheel, pixels, chart::wheelHeightForWidth(wheel, pixels));
    const std::string svg = chart::wheelSvg(picture, wheel.title);

    const std::optional<std::string> failure =
        operands.size() == 1 || operands[1] == "-"
            ? writeStandardOutput(svg)
            : writeOutputFile(pathFromArgument(operands[1], raw), operands[1], store.documentPath(), svg);
    return failure ? complain(*failure, 2, raw) : 0;
}
