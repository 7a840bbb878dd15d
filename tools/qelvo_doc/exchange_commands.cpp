#include "exchange_commands.h"

#include <cstdio>
#include <ctime>
#include <filesystem>

#include "arguments.h"
#include "exchange/aaf_format.h"
#include "exchange/card_exchange.h"
#include "exchange/csv_format.h"
#include "records/person_list.h"
#include "records/person_search.h"
#include "store/file_io.h"
#include "tool_output.h"
#include "util/format.h"
#include "util/local_time.h"

namespace {

void say(const std::string& gbk, bool raw) {
    const std::string text = forTerminal(gbk, raw);
    std::fwrite(text.data(), 1, text.size(), stderr);
}

int failed(const std::string& gbk, bool raw) {
    say(gbk + "\n", raw);
    return 2;
}

bool knownFormat(const std::string& format) {
    return format == "csv" || format == "aaf";
}

}  // namespace

int findCommand(CChkUid& store, const std::string& text, bool raw) {
    const records::SearchResult found = records::PersonSearch().find(store, text);
    if (store.file().unreadable())
        return failed(util::format("无法读取文档：%s", store.lastError().c_str()), raw);
    std::string lines;
    for (const store::Person& person : found.persons) {
        const std::vector<std::string> cells = records::listRow(person);
        for (std::size_t i = 0; i < cells.size(); ++i)
            lines.append(i == 0 ? "" : "\t").append(cells[i]);
        lines.push_back('\n');
    }
    if (const auto failure = writeStandardOutput(forTerminal(lines, raw)))
        return failed(*failure, raw);
    if (found.matches > static_cast<std::int32_t>(found.persons.size()))
        say(util::format("共 %d 人，只列出最新的 %d 人\n", static_cast<int>(found.matches),
                         static_cast<int>(found.persons.size())),
            raw);
    return 0;
}

int exportCommand(CChkUid& store, const std::string& format, const std::string* output, bool raw) {
    if (!knownFormat(format))
        return failed("格式只能是 csv 或 aaf", raw);
    const std::vector<store::Person> persons = exchange::documentCards(store);
    if (store.file().unreadable())
        return failed(util::format("无法读取文档：%s", store.lastError().c_str()), raw);
    const exchange::WrittenCards written = format == "csv" ? exchange::writeCsv(persons) : exchange::writeAaf(persons);
    say(exchange::problemLines(written.problems), raw);
    if (output == nullptr) {
        const auto failure = writeStandardOutput(written.bytes);
        return failure ? failed(*failure, raw) : 0;
    }
    if (const auto failure =
            writeOutputFile(pathFromArgument(*output, raw), *output, store.documentPath(), written.bytes))
        return failed(*failure, raw);
    say(util::format("已导出 %d 张卡片\n", static_cast<int>(persons.size())), raw);
    return 0;
}

int importCommand(CChkUid& store, const std::string& format, const std::string& input, bool raw) {
    if (!knownFormat(format))
        return failed("格式只能是 csv 或 aaf", raw);
    const store::fileio::ReadResult read = store::fileio::readFile(pathFromArgument(input, raw));
    if (const auto why = exchange::importFileProblem(read))
        return failed(util::format("无法读取“%s”：%s", input.c_str(), why->c_str()), raw);
    const std::string recorded =
        util::formatLocalTime(static_cast<std::int64_t>(std::time(nullptr)), "%Y-%m-%d %H:%M:%S");
    const exchange::FileImport imported = exchange::importFile(
        store, format == "csv" ? exchange::Format::Csv : exchange::Format::Aaf, read.bytes, recorded);
    say(exchange::problemLines(imported.problems), raw);
    for (const std::string& note : imported.notes)
        say(note + "\n", raw);
    const exchange::ImportOutcome& outcome = imported.outcome;
    if (!outcome.ok)
        return failed(util::format("导入失败，文档没有改变：%s", outcome.error.c_str()), raw);
    if (outcome.imported == 0)
        return failed(util::format("“%s”中没有可导入的卡片，文档没有改变", input.c_str()), raw);
    say(util::format("已导入 %d 张卡片，编号 %d 到 %d；跳过 %d 条记录\n", outcome.imported,
                     static_cast<int>(outcome.firstCode), static_cast<int>(outcome.lastCode),
                     static_cast<int>(imported.problems.size())),
        raw);
    return 0;
}
