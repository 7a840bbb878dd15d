// qelvo-doc: reads and writes a person document from the command line, for backups, scripts and tests.
//
//   qelvo-doc [--raw] FILE [--raw] COMMAND ...
//   qelvo-doc FILE get SECTION KEY          the value on standard output, no line break added
//   qelvo-doc FILE set SECTION KEY VALUE
//   qelvo-doc FILE clear SECTION            the section keeps its head and loses its entries
//   qelvo-doc FILE delete SECTION
//   qelvo-doc FILE upgrade                  converts a document of the old form
//   qelvo-doc FILE list                     the person list: one line per row, its 14 columns tab-separated
//   qelvo-doc FILE zones                    the cards whose zone disagrees with their birth place's clocks, as
//                                           code, name, birthday, zone, clocks (exit 1: none)
//   qelvo-doc FILE chart CODE [OUT.svg|- [PIXELS]]
//                                           the chart wheel of a card as SVG (standard output without OUT.svg)
//   qelvo-doc FILE find TEXT                the cards holding TEXT, as list prints them
//   qelvo-doc FILE export csv|aaf [OUTPUT]  every card, to OUTPUT or standard output
//   qelvo-doc FILE import csv|aaf INPUT     the records of INPUT as new cards
//   qelvo-doc lunar DATE                    the lunar date of a birthday (no document): 庚午马年十一月十七
//   qelvo-doc solar TEXT                    the birthday a lunar date names (no document): 1991.1.2,1255
//
// Texts speak the terminal's encoding: in a UTF-8 terminal arguments are converted to the document's GBK (an argument
// that is no UTF-8 or holds a character GBK lacks is refused) and output from GBK to UTF-8; a GBK terminal, or one of
// any other encoding (the C locale), gets the bytes as they are. --raw passes GBK bytes both ways, unconverted.
//
// Output files (chart, export) are replaced atomically and must be regular files; one that is the document itself,
// however it is named, is refused.
//
// Exit status: 0 done; 1 the value asked for is missing; 2 the command was wrong, an argument could not be
// converted, memory ran out, the document could not be read or written, or standard output or an output file could
// not be written; 3 upgrade found the document already of the current form, or empty, and left it as it was. A
// message on standard error says why for 2 and 3.
#include <cstdio>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "arguments.h"
#include "chart_command.h"
#include "exchange_commands.h"
#include "lunar_commands.h"
#include "records/person_list.h"
#include "store/chk_uid.h"
#include "store/document_upgrade.h"
#include "store/person_document.h"
#include "tool_output.h"
#include "util/format.h"
#include "zone_check.h"

namespace {

constexpr const char* kUsage =
    "用法：qelvo-doc [--raw] 文档 [--raw] 命令\n"
    "  get 节 键 | set 节 键 值 | clear 节 | delete 节 | upgrade | list | zones | chart 编号 [输出.svg|- [像素]]\n"
    "  find 文字 | export csv|aaf [输出文件] | import csv|aaf 输入文件\n"
    "      qelvo-doc lunar 生日 | qelvo-doc solar 农历生日：公历与农历互换，不用文档\n"
    "  --raw：参数与输出都是GBK字节，不按终端编码转换\n"
    "退出码：0 完成；1 值不存在；2 命令错误或无法读写文档；3 文档已是新格式或为空，无需升级";

constexpr int kExitMissing = 1;
constexpr int kExitFailed = 2;
constexpr int kExitAlreadyCurrent = 3;

// One command line: the store on the document, the command's operands (GBK) and how to speak to the terminal.
struct Command {
    CChkUid& store;
    const std::vector<std::string>& operands;
    bool raw;

    void say(const std::string& gbk) const {
        const std::string text = forTerminal(gbk, raw);
        std::fwrite(text.data(), 1, text.size(), stderr);
    }
    int fail(const std::string& message) const {
        say(message + "\n");
        return kExitFailed;
    }
    // The command's result on standard output: 0 once it is written, otherwise a failure that says why.
    int print(const std::string& gbk) const {
        const std::optional<std::string> failure = writeStandardOutput(forTerminal(gbk, raw));
        return failure ? fail(*failure) : 0;
    }
    int written(bool ok) const { return ok ? 0 : fail(util::format("无法写入文档：%s", store.lastError().c_str())); }
    int unreadable() const { return fail(util::format("无法读取文档：%s", store.lastError().c_str())); }
};

int getValue(const Command& c) {
    const auto value = c.store.file().read(c.operands[0], c.operands[1]);
    if (!value)
        return c.store.file().unreadable() ? c.unreadable() : kExitMissing;
    return c.print(*value);
}

int setValue(const Command& c) {
    return c.written(c.store.SetMyKey(c.operands[0], c.operands[1], c.operands[2]));
}

int clearSection(const Command& c) {
    return c.written(c.store.delMyJie(c.operands[0], 7));
}

int deleteSection(const Command& c) {
    return c.written(c.store.delMyJie(c.operands[0], 3));
}

int upgrade(const Command& c) {
    switch (store::upgradeDocument(c.store)) {
        case store::UpgradeOutcome::Upgraded:
            return 0;
        case store::UpgradeOutcome::AlreadyCurrent:
            c.say("文档已是新格式，无需升级；文档未改动。\n");
            return kExitAlreadyCurrent;
        case store::UpgradeOutcome::Empty:
            c.say("文档是空的（没有newcode），无需升级；文档未改动。\n");
            return kExitAlreadyCurrent;
        case store::UpgradeOutcome::Failed:
            break;
    }
    return c.written(false);
}

int listPersons(const Command& c) {
    std::string lines;
    for (const store::Person& person : records::readPersonList(c.store)) {
        const std::vector<std::string> cells = records::listRow(person);
        for (std::size_t i = 0; i < cells.size(); ++i)
            lines.append(i == 0 ? "" : "\t").append(cells[i]);
        lines.push_back('\n');
    }
    if (c.store.file().unreadable())
        return c.unreadable();
    return c.print(lines);
}

int listZoneDisagreements(const Command& c) {
    const ZoneDisagreements found = findZoneDisagreements(c.store);
    if (c.store.file().unreadable())
        return c.unreadable();
    if (const int status = c.print(found.lines))
        return status;
    return found.count > 0 ? 0 : kExitMissing;
}

int drawChart(const Command& c) {
    return runChartCommand(c.store, c.operands, c.raw);
}

int findCards(const Command& c) {
    return findCommand(c.store, c.operands[0], c.raw);
}

int exportCards(const Command& c) {
    return exportCommand(c.store, c.operands[0], c.operands.size() == 2 ? &c.operands[1] : nullptr, c.raw);
}

int importCardsFrom(const Command& c) {
    return importCommand(c.store, c.operands[0], c.operands[1], c.raw);
}

struct CommandEntry {
    std::string_view name;
    std::size_t leastOperands;
    std::size_t mostOperands;
    int (*run)(const Command&);
};

constexpr CommandEntry kCommands[] = {
    {"get", 2, 2, getValue},
    {"set", 3, 3, setValue},
    {"clear", 1, 1, clearSection},
    {"delete", 1, 1, deleteSection},
    {"upgrade", 0, 0, upgrade},
    {"list", 0, 0, listPersons},
    {"zones", 0, 0, listZoneDisagreements},
    {"chart", 1, 3, drawChart},
    {"find", 1, 1, findCards},
    {"export", 1, 2, exportCards},
    {"import", 2, 2, importCardsFrom},
};

int run(const Arguments& args) {
    CChkUid store;
    const std::vector<std::string> none;
    const Command usage{store, none, args.raw};
    if (!args.error.empty())
        return usage.fail(args.error);
    if (args.document.empty() || args.words.empty())
        return usage.fail(kUsage);
    const std::vector<std::string> operands(args.words.begin() + 1, args.words.end());
    for (const CommandEntry& entry : kCommands) {
        if (args.words[0] == entry.name && operands.size() >= entry.leastOperands &&
            operands.size() <= entry.mostOperands) {
            store.InitChkCfg(args.document, ".qelvo");
            return entry.run(Command{store, operands, args.raw});
        }
    }
    if (const auto status = runCalendarCommand(args))  // lunar DATE, solar TEXT: no document
        return *status;
    return usage.fail(kUsage);
}

}  // namespace

int main(int argc, char** argv) {
    bool raw = false;
    try {
        prepareProcess();
        const Arguments args = readArguments(argc, argv);
        raw = args.raw;
        return run(args);
    } catch (const std::bad_alloc&) {
        std::fputs(outOfMemoryMessage(raw), stderr);
        return kExitFailed;
    }
}
