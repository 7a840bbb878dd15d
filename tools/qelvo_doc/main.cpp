// qelvo-doc: reads and writes a person document from the command line, for backups, scripts and tests.
//
//   qelvo-doc FILE get SECTION KEY          the value's bytes on standard output, nothing else
//   qelvo-doc FILE set SECTION KEY VALUE
//   qelvo-doc FILE clear SECTION            the section keeps its head and loses its entries
//   qelvo-doc FILE delete SECTION
//   qelvo-doc FILE upgrade                  converts a document of the old form
//   qelvo-doc FILE list                     the person list: one line per row, its 14 columns tab-separated
//   qelvo-doc FILE zones                    the cards whose zone disagrees with their birth place's clocks, as
//                                           code, name, birthday, zone, clocks (exit 1: none)
//   qelvo-doc FILE chart CODE [OUT.svg]     the chart wheel of a card as SVG (standard output without OUT.svg)
//
// Exit status: 0 done; 1 the value asked for is missing; 2 the command was wrong or the document could not be read
// or written (a message on standard error says why).
#include <cstdio>
#include <string>

#include "arguments.h"
#include "chart_command.h"
#include "records/person_list.h"
#include "store/chk_uid.h"
#include "store/document_upgrade.h"
#include "store/person_document.h"
#include "util/format.h"
#include "zone_check.h"

namespace {

constexpr const char* kUsage =
    "用法：qelvo-doc 文档 get 节 键 | set 节 键 值 | clear 节 | delete 节 | upgrade | list | zones | chart 编号 "
    "[输出.svg]\n";

int fail(const std::string& message) {
    const std::string text = forTerminal(message + "\n");
    std::fwrite(text.data(), 1, text.size(), stderr);
    return 2;
}

int usage() {
    return fail(kUsage);
}

int writeFailed(CChkUid& store) {
    return fail(util::format("无法写入文档：%s", store.lastError().c_str()));
}

}  // namespace

int main(int argc, char** argv) {
    prepareProcess();
    const Arguments args = readArguments(argc, argv);
    if (args.document.empty() || args.words.empty())
        return usage();
    CChkUid store;
    store.InitChkCfg(args.document, ".qelvo");
    const std::string& command = args.words[0];
    const std::size_t operands = args.words.size() - 1;

    if (command == "get" && operands == 2) {
        const auto value = store.file().read(args.words[1], args.words[2]);
        if (!value) {
            if (store.file().unreadable())
                return fail(util::format("无法读取文档：%s", store.lastError().c_str()));
            return 1;
        }
        std::fwrite(value->data(), 1, value->size(), stdout);
        return 0;
    }
    if (command == "set" && operands == 3)
        return store.SetMyKey(args.words[1], args.words[2], args.words[3]) ? 0 : writeFailed(store);
    if (command == "clear" && operands == 1)
        return store.delMyJie(args.words[1], 7) ? 0 : writeFailed(store);
    if (command == "delete" && operands == 1)
        return store.delMyJie(args.words[1], 3) ? 0 : writeFailed(store);
    if (command == "upgrade" && operands == 0)
        return store::upgradeDocument(store) ? 0 : writeFailed(store);
    if (command == "list" && operands == 0) {
        std::string lines;
        for (const store::Person& person : records::readPersonList(store)) {
            const std::vector<std::string> cells = records::listRow(person);
            for (std::size_t i = 0; i < cells.size(); ++i)
                lines.append(i == 0 ? "" : "\t").append(cells[i]);
            lines.push_back('\n');
        }
        if (store.file().unreadable())
            return fail(util::format("无法读取文档：%s", store.lastError().c_str()));
        const std::string text = forTerminal(lines);
        std::fwrite(text.data(), 1, text.size(), stdout);
        return 0;
    }
    if (command == "zones" && operands == 0) {
        const ZoneDisagreements found = findZoneDisagreements(store);
        if (store.file().unreadable())
            return fail(util::format("无法读取文档：%s", store.lastError().c_str()));
        const std::string text = forTerminal(found.lines);
        std::fwrite(text.data(), 1, text.size(), stdout);
        return found.count > 0 ? 0 : 1;
    }
    if (command == "chart")
        return runChartCommand(store, std::vector<std::string>(args.words.begin() + 1, args.words.end()));
    return usage();
}
