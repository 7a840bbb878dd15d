#include "ini_script.h"

#include <array>

// Script and outcome texts are lines of words separated by single spaces; every byte string is one word, "x" and
// its bytes in lower-case hex, so names and values of any bytes pass through unchanged.
namespace inicompat {
namespace {

struct OpName {
    IniOp::Kind kind;
    std::string_view name;
    std::size_t arguments;
};
constexpr std::array<OpName, 5> kOpNames = {{
    {IniOp::Kind::Set, "set", 3},
    {IniOp::Kind::DeleteKey, "delete-key", 2},
    {IniOp::Kind::DeleteSection, "delete-section", 1},
    {IniOp::Kind::Clear, "clear", 1},
    {IniOp::Kind::Read, "read", 2},
}};

const OpName& opName(IniOp::Kind kind) {
    for (const OpName& op : kOpNames) {
        if (op.kind == kind)
            return op;
    }
    return kOpNames[0];
}

std::string hexWord(std::string_view bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out = "x";
    for (unsigned char c : bytes) {
        out.push_back(kDigits[c >> 4]);
        out.push_back(kDigits[c & 15]);
    }
    return out;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::optional<std::string> parseHexWord(std::string_view word) {
    if (word.empty() || word[0] != 'x' || word.size() % 2 != 1)
        return std::nullopt;
    std::string bytes;
    for (std::size_t i = 1; i < word.size(); i += 2) {
        const int high = hexDigit(word[i]), low = hexDigit(word[i + 1]);
        if (high < 0 || low < 0)
            return std::nullopt;
        bytes.push_back(static_cast<char>(high * 16 + low));
    }
    return bytes;
}

std::vector<std::string_view> splitWords(std::string_view line) {
    std::vector<std::string_view> words;
    std::size_t pos = 0;
    while (pos < line.size()) {
        std::size_t end = line.find(' ', pos);
        if (end == std::string_view::npos)
            end = line.size();
        if (end > pos)
            words.push_back(line.substr(pos, end - pos));
        pos = end + 1;
    }
    return words;
}

std::vector<std::string_view> splitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lines.push_back(line);
        pos = end + 1;
    }
    return lines;
}

// A hex word shown readably, or "(missing)" for "none".
std::string describeWord(std::string_view word) {
    if (word == "none")
        return "(missing)";
    if (auto bytes = parseHexWord(word))
        return quoteBytes(*bytes);
    return std::string(word);
}

}  // namespace

std::string formatScript(const IniScript& script) {
    std::string out;
    for (const IniOp& op : script) {
        const OpName& name = opName(op.kind);
        out += name.name;
        out += ' ' + hexWord(op.section);
        if (name.arguments >= 2)
            out += ' ' + hexWord(op.key);
        if (name.arguments >= 3)
            out += ' ' + hexWord(op.value);
        out += '\n';
    }
    return out;
}

std::optional<IniScript> parseScript(std::string_view text, std::string& error) {
    IniScript script;
    std::size_t lineNumber = 0;
    for (std::string_view line : splitLines(text)) {
        ++lineNumber;
        const std::vector<std::string_view> words = splitWords(line);
        if (words.empty() || words[0][0] == '#')
            continue;
        const OpName* name = nullptr;
        for (const OpName& candidate : kOpNames) {
            if (candidate.name == words[0])
                name = &candidate;
        }
        std::vector<std::string> arguments;
        for (std::size_t i = 1; i < words.size(); ++i) {
            if (auto bytes = parseHexWord(words[i]))
                arguments.push_back(std::move(*bytes));
        }
        if (name == nullptr || words.size() != name->arguments + 1 || arguments.size() != name->arguments) {
            error = "line " + std::to_string(lineNumber) + ": cannot read \"" + std::string(line) + "\"";
            return std::nullopt;
        }
        arguments.resize(3);
        script.push_back({name->kind, std::move(arguments[0]), std::move(arguments[1]), std::move(arguments[2])});
    }
    return script;
}

std::string formatOutcome(const IniOutcome& outcome) {
    std::string out = "file " + (outcome.file ? hexWord(*outcome.file) : "none") + "\n";
    for (const auto& read : outcome.reads)
        out += "read " + (read ? hexWord(*read) : "none") + "\n";
    for (const std::string& problem : outcome.problems)
        out += "refused " + hexWord(problem) + "\n";
    return out;
}

std::string quoteBytes(std::string_view bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out = "\"";
    for (unsigned char c : bytes) {
        if (c == '\r') {
            out += "\\r";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            out += "\\x";
            out += kDigits[c >> 4];
            out += kDigits[c & 15];
        }
    }
    return out + "\"";
}

std::string describeScript(const IniScript& script) {
    std::string out;
    for (const IniOp& op : script) {
        const OpName& name = opName(op.kind);
        out += "  " + std::string(name.name) + ' ' + quoteBytes(op.section);
        if (name.arguments >= 2)
            out += ' ' + quoteBytes(op.key);
        if (name.arguments >= 3)
            out += ' ' + quoteBytes(op.value);
        out += '\n';
    }
    return out;
}

std::string describeOutcome(std::string_view outcomeText) {
    std::string out;
    for (std::string_view line : splitLines(outcomeText)) {
        const std::vector<std::string_view> words = splitWords(line);
        out += "  ";
        if (words.size() == 2) {
            out += std::string(words[0]) + ' ' + describeWord(words[1]);
        } else {
            out += line;
        }
        out += '\n';
    }
    return out;
}

}  // namespace inicompat
