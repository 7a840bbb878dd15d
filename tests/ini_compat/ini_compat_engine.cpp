// Applies INI scripts with our engine and writes what it did, in the same form as ini_compat_win.exe does with the
// Windows functions:
//
//   ini_compat_engine SCRIPTS RESULTS WORK
//
// Every SCRIPTS/NAME.txt is played against a fresh WORK/NAME.ini, one IniFile per script, and RESULTS/NAME.txt
// receives the outcome; the .ini is removed afterwards.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

#include "ini_script.h"
#include "store/ini_file.h"

namespace fs = std::filesystem;

namespace {

std::optional<std::string> readWholeFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool writeWholeFile(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out.flush());
}

inicompat::IniOutcome play(const inicompat::IniScript& script, const fs::path& iniPath) {
    using inicompat::IniOp;
    inicompat::IniOutcome outcome;
    store::IniFile file(iniPath);
    for (const IniOp& op : script) {
        store::IniEdit edit;
        switch (op.kind) {
            case IniOp::Kind::Read:
                outcome.reads.push_back(file.read(op.section, op.key));
                continue;
            case IniOp::Kind::Set:
                edit = store::IniEdit::set(op.section, op.key, op.value);
                break;
            case IniOp::Kind::DeleteKey:
                edit = store::IniEdit::deleteKey(op.section, op.key);
                break;
            case IniOp::Kind::DeleteSection:
                edit = store::IniEdit::deleteSection(op.section);
                break;
            case IniOp::Kind::Clear:
                edit = store::IniEdit::clearSection(op.section);
                break;
        }
        if (!file.write({edit}))
            outcome.problems.push_back(file.lastError());
    }
    std::error_code ignored;
    if (fs::exists(iniPath, ignored))
        outcome.file = readWholeFile(iniPath).value_or("(unreadable)");
    return outcome;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: ini_compat_engine SCRIPTS RESULTS WORK\n");
        return 2;
    }
    const fs::path scripts = argv[1], results = argv[2], work = argv[3];
    std::vector<fs::path> names;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(scripts, error)) {
        if (entry.path().extension() == ".txt")
            names.push_back(entry.path().stem());
    }
    if (error) {
        std::fprintf(stderr, "%s: %s\n", scripts.c_str(), error.message().c_str());
        return 2;
    }
    std::sort(names.begin(), names.end());
    int failures = 0;
    for (const fs::path& name : names) {
        const fs::path iniPath = work / fs::path(name).concat(".ini");
        std::string problem;
        const auto text = readWholeFile(scripts / fs::path(name).concat(".txt"));
        std::optional<inicompat::IniScript> script;
        if (fs::exists(iniPath, error)) {
            problem = iniPath.string() + " exists already";
        } else if (!text) {
            problem = "cannot read the script";
        } else if (script = inicompat::parseScript(*text, problem); script) {
            if (!writeWholeFile(results / fs::path(name).concat(".txt"), formatOutcome(play(*script, iniPath))))
                problem = "cannot write the result";
        }
        fs::remove(iniPath, error);
        if (!problem.empty()) {
            std::fprintf(stderr, "%s: %s\n", name.c_str(), problem.c_str());
            ++failures;
        }
    }
    std::printf("%zu scripts played\n", names.size());
    return failures == 0 ? 0 : 1;
}
