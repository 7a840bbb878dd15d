#include "store/ini_document.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <unordered_map>

#include "util/gbk.h"

// The grammar, line by line (a line ends at CR LF, LF or a lone CR; blanks are space and tab):
//
//   head    = blanks "[" name ( "]" anything | end of line )     name ends at the first "]" of its own, blanks trimmed
//   comment = blanks ";" anything
//   key     = blanks key-name blanks "=" blanks value blanks     the first "=" ends the key name
//   other   = anything else (blank lines, text without "=")       kept, never read
//
// A value that is at least two bytes long and starts and ends with the same quote (" or ') loses that one pair.
// Lines before the first head belong to no section. With duplicate sections or keys, the first one counts.
namespace store {
namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

bool isBreak(char c) {
    return c == '\r' || c == '\n';
}

// End of the line that starts at or contains pos (the position of its first break byte, or the end of the text).
std::size_t lineEnd(std::string_view text, std::size_t pos) {
    while (pos < text.size() && !isBreak(text[pos]))
        ++pos;
    return pos;
}

std::size_t breakLength(std::string_view text, std::size_t end) {
    if (end >= text.size())
        return 0;
    if (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n')
        return 2;
    return 1;
}

// The name inside a head line that starts with "[" at open; ends at the first "]" that is a character of its own.
std::string_view headName(std::string_view line, std::size_t open) {
    std::size_t pos = open + 1;
    std::size_t close = line.size();
    while (pos < line.size()) {
        const std::size_t len = util::gbk::charLength(line, pos);
        if (len == 1 && line[pos] == ']') {
            close = pos;
            break;
        }
        pos += len;
    }
    return trimBlanks(line.substr(open + 1, close - open - 1));
}

std::string_view unquote(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

// A parsed body line: where its key and value are, when it is a key line.
struct ParsedLine {
    bool isKey = false;
    std::size_t keyStart = 0, keyLength = 0;
    std::size_t equalsAt = 0;
    std::size_t valueStart = 0, valueLength = 0;
};

ParsedLine parseLine(std::string_view line) {
    ParsedLine parsed;
    std::size_t start = 0;
    while (start < line.size() && isBlank(line[start]))
        ++start;
    if (start == line.size() || line[start] == ';' || line[start] == '[')
        return parsed;
    const std::size_t eq = line.find('=', start);  // "=" is never the second byte of a GBK character
    if (eq == std::string_view::npos)
        return parsed;
    const std::string_view key = trimBlanks(line.substr(start, eq - start));
    const std::string_view value = unquote(trimBlanks(line.substr(eq + 1)));
    parsed.isKey = true;
    parsed.keyStart = static_cast<std::size_t>(key.data() - line.data());
    parsed.keyLength = key.size();
    parsed.equalsAt = eq;
    parsed.valueStart = static_cast<std::size_t>(value.data() - line.data());
    parsed.valueLength = value.size();
    return parsed;
}

template <typename Pairs>
auto hashRange(const Pairs& pairs, std::uint64_t hash) {
    using Pair = typename Pairs::value_type;
    return std::equal_range(pairs.begin(), pairs.end(), Pair{hash, 0},
                            [](const Pair& a, const Pair& b) { return a.first < b.first; });
}

bool containsBreakOrNul(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

}  // namespace

std::string_view trimBlanks(std::string_view text) {
    std::size_t begin = 0, end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

std::uint64_t nameHash(std::string_view name) {
    std::uint64_t hash = 14695981039346656037ull;
    for (std::size_t pos = 0; pos < name.size();) {
        const std::size_t len = util::gbk::charLength(name, pos);
        for (std::size_t i = 0; i < len; ++i) {
            auto c = static_cast<unsigned char>(name[pos + i]);
            if (len == 1 && c >= 'A' && c <= 'Z')
                c = static_cast<unsigned char>(c - 'A' + 'a');
            hash = (hash ^ c) * 1099511628211ull;
        }
        pos += len;
    }
    return hash;
}

IniEdit IniEdit::set(std::string section, std::string key, std::string value) {
    return {Kind::SetValue, std::move(section), std::move(key), std::move(value)};
}
IniEdit IniEdit::deleteKey(std::string section, std::string key) {
    return {Kind::DeleteKey, std::move(section), std::move(key), {}};
}
IniEdit IniEdit::deleteSection(std::string section) {
    return {Kind::DeleteSection, std::move(section), {}, {}};
}
IniEdit IniEdit::clearSection(std::string section) {
    return {Kind::ClearSection, std::move(section), {}, {}};
}

IniDocument::IniDocument(std::string text) : text_(std::move(text)) {
    indexSections();
}

void IniDocument::indexSections() {
    const std::string_view text(text_);
    const char* const base = text.data();
    std::size_t searchFrom = 0;
    bool first = true;
    preambleEnd_ = static_cast<std::uint32_t>(text.size());
    // A head is a line whose first non-blank byte is "[": find each "[" and look back over blanks to a line start.
    while (searchFrom < text.size()) {
        const void* hit = std::memchr(base + searchFrom, '[', text.size() - searchFrom);
        if (hit == nullptr)
            break;
        const std::size_t open = static_cast<std::size_t>(static_cast<const char*>(hit) - base);
        searchFrom = open + 1;
        std::size_t lineStart = open;
        while (lineStart > 0 && isBlank(text[lineStart - 1]))
            --lineStart;
        if (lineStart > 0 && !isBreak(text[lineStart - 1]))
            continue;
        const std::size_t end = lineEnd(text, open);
        const std::string_view name = headName(text.substr(lineStart, end - lineStart), open - lineStart);
        if (!sections_.empty())
            sections_.back().end = static_cast<std::uint32_t>(lineStart);
        else if (first)
            preambleEnd_ = static_cast<std::uint32_t>(lineStart);
        first = false;
        sections_.push_back({static_cast<std::uint32_t>(lineStart),
                             static_cast<std::uint32_t>(end + breakLength(text, end)),
                             static_cast<std::uint32_t>(text.size()),
                             static_cast<std::uint32_t>(name.data() - base), static_cast<std::uint32_t>(name.size())});
        searchFrom = end;
    }
    sectionsByHash_.reserve(sections_.size());
    for (std::size_t i = 0; i < sections_.size(); ++i) {
        const Section& s = sections_[i];
        sectionsByHash_.emplace_back(nameHash(text.substr(s.nameStart, s.nameLength)), static_cast<std::uint32_t>(i));
    }
    std::sort(sectionsByHash_.begin(), sectionsByHash_.end());
    keyLines_.resize(sections_.size());
    keysByHash_.resize(sections_.size());
}

std::optional<std::size_t> IniDocument::findSection(std::string_view name) const {
    if (name.empty())
        return std::nullopt;
    const auto [begin, end] = hashRange(sectionsByHash_, nameHash(name));
    for (auto it = begin; it != end; ++it) {
        const Section& s = sections_[it->second];
        if (util::gbk::equalsIgnoringAsciiCase(std::string_view(text_).substr(s.nameStart, s.nameLength), name))
            return it->second;
    }
    return std::nullopt;
}

const std::vector<IniDocument::KeyLine>& IniDocument::keyLines(std::size_t index) const {
    std::vector<KeyLine>& lines = keyLines_[index];
    if (!lines.empty() || keysByHash_[index].capacity() != 0)
        return lines;
    const std::string_view text(text_);
    const Section& s = sections_[index];
    for (std::size_t pos = s.bodyStart; pos < s.end;) {
        const std::size_t end = lineEnd(text, pos);
        const std::size_t brk = breakLength(text, end);
        const ParsedLine parsed = parseLine(text.substr(pos, end - pos));
        if (parsed.isKey) {
            lines.push_back({static_cast<std::uint32_t>(pos), static_cast<std::uint32_t>(end),
                             static_cast<std::uint32_t>(brk), static_cast<std::uint32_t>(pos + parsed.keyStart),
                             static_cast<std::uint32_t>(parsed.keyLength),
                             static_cast<std::uint32_t>(pos + parsed.valueStart),
                             static_cast<std::uint32_t>(parsed.valueLength),
                             nameHash(text.substr(pos + parsed.keyStart, parsed.keyLength))});
        }
        pos = end + brk;
    }
    auto& byHash = keysByHash_[index];
    byHash.reserve(lines.size() + 1);  // a non-zero capacity marks the section as indexed, even when it has no keys
    for (std::size_t i = 0; i < lines.size(); ++i)
        byHash.emplace_back(lines[i].keyHash, static_cast<std::uint32_t>(i));
    std::sort(byHash.begin(), byHash.end());
    return lines;
}

std::optional<std::size_t> IniDocument::findKey(std::size_t section, std::string_view key) const {
    if (key.empty())
        return std::nullopt;
    const std::vector<KeyLine>& lines = keyLines(section);
    const auto [begin, end] = hashRange(keysByHash_[section], nameHash(key));
    for (auto it = begin; it != end; ++it) {
        const KeyLine& line = lines[it->second];
        if (util::gbk::equalsIgnoringAsciiCase(std::string_view(text_).substr(line.keyStart, line.keyLength), key))
            return it->second;
    }
    return std::nullopt;
}

std::optional<std::string_view> IniDocument::value(std::string_view section, std::string_view key) const {
    const auto s = findSection(trimBlanks(section));
    if (!s)
        return std::nullopt;
    const auto k = findKey(*s, trimBlanks(key));
    if (!k)
        return std::nullopt;
    const KeyLine& line = keyLines_[*s][*k];
    return std::string_view(text_).substr(line.valueStart, line.valueLength);
}

bool IniDocument::hasSection(std::string_view section) const {
    return findSection(trimBlanks(section)).has_value();
}

std::optional<std::vector<IniEntry>> IniDocument::entries(std::string_view section) const {
    const auto s = findSection(trimBlanks(section));
    if (!s)
        return std::nullopt;
    const std::string_view text(text_);
    std::vector<IniEntry> out;
    const auto& lines = keyLines(*s);
    out.reserve(lines.size());
    for (const KeyLine& line : lines)
        out.push_back({text.substr(line.keyStart, line.keyLength), text.substr(line.valueStart, line.valueLength)});
    return out;
}

std::optional<std::string> IniDocument::checkEdit(const IniEdit& edit) {
    const std::string_view section = trimBlanks(edit.section);
    if (section.empty())
        return "the section name is empty";
    if (containsBreakOrNul(edit.section))
        return "the section name holds a line break or NUL";
    for (std::size_t pos = 0; pos < section.size(); pos += util::gbk::charLength(section, pos)) {
        if (section[pos] == ']' && util::gbk::charLength(section, pos) == 1)
            return "the section name holds a \"]\", which would end it early";
    }
    if (edit.kind == IniEdit::Kind::SetValue || edit.kind == IniEdit::Kind::DeleteKey) {
        const std::string_view key = trimBlanks(edit.key);
        if (key.empty())
            return "the key name is empty";
        if (containsBreakOrNul(edit.key))
            return "the key name holds a line break or NUL";
        if (key.front() == ';' || key.front() == '[')
            return "the key name starts with \";\" or \"[\", which would not read back as a key";
        if (key.find('=') != std::string_view::npos)
            return "the key name holds \"=\"";
    }
    if (edit.kind == IniEdit::Kind::SetValue && containsBreakOrNul(edit.value))
        return "the value holds a line break or NUL";
    return std::nullopt;
}

// Makes a list of edits on a copy of the document's lines, touching only the sections the edits reach, and writes
// the result out: sections no edit touched are copied as they stand.
class IniEditor {
public:
    explicit IniEditor(const IniDocument& doc) : doc_(doc), text_(doc.text_) {
        touched_.assign(doc.sections_.size(), kUntouched);
    }

    void apply(const IniEdit& edit) {
        const std::string_view section = trimBlanks(edit.section);
        const std::string_view key = trimBlanks(edit.key);
        switch (edit.kind) {
            case IniEdit::Kind::SetValue:
                setValue(section, key, edit.value);
                break;
            case IniEdit::Kind::DeleteKey:
                if (auto s = findAlive(section)) {
                    EditSection& sec = sections_[*s];
                    if (auto line = findKeyLine(sec, key))
                        sec.lines.erase(sec.lines.begin() + static_cast<std::ptrdiff_t>(*line));
                }
                break;
            case IniEdit::Kind::DeleteSection:
                if (auto s = findAlive(section)) {
                    EditSection& sec = sections_[*s];
                    std::erase_if(sec.lines, [](const Line& l) { return l.isHead || l.isKey; });
                    sec.alive = false;
                }
                break;
            case IniEdit::Kind::ClearSection:
                if (auto s = findAlive(section))
                    sections_[*s].lines.resize(1);  // the head stays
                break;
        }
    }

    std::string write() const {
        std::string out;
        out.reserve(text_.size() + extraBytes_ + 64);
        auto append = [&out](std::string_view bytes) {
            if (bytes.empty())
                return;
            // A line that ended the file without a break gets one when anything follows it.
            if (!out.empty() && !isBreak(out.back()))
                out.append("\r\n");
            out.append(bytes);
        };
        append(text_.substr(0, doc_.preambleEnd_));
        for (std::size_t i = 0; i < doc_.sections_.size(); ++i) {
            if (touched_[i] == kUntouched) {
                const auto& s = doc_.sections_[i];
                append(text_.substr(s.headStart, s.end - s.headStart));
            } else {
                writeLines(sections_[touched_[i]], append);
            }
        }
        for (std::size_t index : appended_)
            writeLines(sections_[index], append);
        return out;
    }

private:
    static constexpr std::size_t kUntouched = std::numeric_limits<std::size_t>::max();

    struct Line {
        std::string_view text;  // without its break
        std::string_view lineBreak;
        bool isHead = false;
        bool isKey = false;
        std::uint32_t keyStart = 0, keyLength = 0, equalsAt = 0;
        std::uint64_t keyHash = 0;
    };
    struct EditSection {
        std::string_view name;
        bool alive = true;
        std::vector<Line> lines;  // lines[0] is the head while alive
    };

    template <typename Append>
    static void writeLines(const EditSection& sec, Append& append) {
        for (const Line& line : sec.lines) {
            append(line.text);
            append(line.lineBreak);
        }
    }

    std::string_view store(std::string_view a, std::string_view b = {}, std::string_view c = {},
                           std::string_view d = {}) {
        const std::size_t size = a.size() + b.size() + c.size() + d.size();
        if (arena_.empty() || arenaUsed_ + size > arenaSize_) {
            arenaSize_ = std::max<std::size_t>(size, 1 << 20);
            arena_.push_back(std::make_unique<char[]>(arenaSize_));
            arenaUsed_ = 0;
        }
        char* dest = arena_.back().get() + arenaUsed_;
        char* p = dest;
        for (std::string_view part : {a, b, c, d}) {
            if (!part.empty())
                std::memcpy(p, part.data(), part.size());
            p += part.size();
        }
        arenaUsed_ += size;
        extraBytes_ += size + 2;
        return {dest, size};
    }

    static Line makeLine(std::string_view text, std::string_view lineBreak) {
        Line line{text, lineBreak};
        const ParsedLine parsed = parseLine(text);
        if (parsed.isKey) {
            line.isKey = true;
            line.keyStart = static_cast<std::uint32_t>(parsed.keyStart);
            line.keyLength = static_cast<std::uint32_t>(parsed.keyLength);
            line.equalsAt = static_cast<std::uint32_t>(parsed.equalsAt);
            line.keyHash = nameHash(text.substr(parsed.keyStart, parsed.keyLength));
        }
        return line;
    }

    // Copies an original section's lines into an editable section (once).
    std::size_t touch(std::size_t original) {
        if (touched_[original] != kUntouched)
            return touched_[original];
        const auto& s = doc_.sections_[original];
        EditSection sec;
        sec.name = text_.substr(s.nameStart, s.nameLength);
        for (std::size_t pos = s.headStart; pos < s.end;) {
            const std::size_t end = lineEnd(text_, pos);
            const std::size_t brk = breakLength(text_, end);
            Line line = pos == s.headStart ? Line{text_.substr(pos, end - pos), {}, true}
                                           : makeLine(text_.substr(pos, end - pos), {});
            line.lineBreak = text_.substr(end, brk);
            sec.lines.push_back(line);
            pos = end + brk;
        }
        sections_.push_back(std::move(sec));
        touched_[original] = sections_.size() - 1;
        return touched_[original];
    }

    std::optional<std::size_t> findAlive(std::string_view name) {
        const std::uint64_t hash = nameHash(name);
        const auto [begin, end] = hashRange(doc_.sectionsByHash_, hash);
        for (auto it = begin; it != end; ++it) {
            const auto& s = doc_.sections_[it->second];
            if (!util::gbk::equalsIgnoringAsciiCase(text_.substr(s.nameStart, s.nameLength), name))
                continue;
            if (touched_[it->second] == kUntouched || sections_[touched_[it->second]].alive)
                return touch(it->second);
        }
        if (auto found = appendedByHash_.find(hash); found != appendedByHash_.end()) {
            for (std::size_t index : found->second) {
                const EditSection& sec = sections_[index];
                if (sec.alive && util::gbk::equalsIgnoringAsciiCase(sec.name, name))
                    return index;
            }
        }
        return std::nullopt;
    }

    static std::optional<std::size_t> findKeyLine(const EditSection& sec, std::string_view key) {
        const std::uint64_t hash = nameHash(key);
        for (std::size_t i = 1; i < sec.lines.size(); ++i) {
            const Line& line = sec.lines[i];
            if (line.isKey && line.keyHash == hash &&
                util::gbk::equalsIgnoringAsciiCase(line.text.substr(line.keyStart, line.keyLength), key))
                return i;
        }
        return std::nullopt;
    }

    void setValue(std::string_view section, std::string_view key, std::string_view value) {
        auto s = findAlive(section);
        if (!s) {
            EditSection sec;
            const std::string_view head = store("[", section, "]");
            sec.name = head.substr(1, section.size());
            sec.lines.push_back(Line{head, "\r\n", true});
            sections_.push_back(std::move(sec));
            s = sections_.size() - 1;
            appended_.push_back(*s);
            appendedByHash_[nameHash(section)].push_back(*s);
        }
        EditSection& sec = sections_[*s];
        if (auto found = findKeyLine(sec, key)) {
            Line& line = sec.lines[*found];
            line.text = store(line.text.substr(0, line.equalsAt + 1), value);
            return;
        }
        // A new key goes right after the last key line, or right after the head.
        std::size_t at = sec.lines.size();
        while (at > 1 && !sec.lines[at - 1].isKey)
            --at;
        sec.lines.insert(sec.lines.begin() + static_cast<std::ptrdiff_t>(at), makeLine(store(key, "=", value), "\r\n"));
    }

    const IniDocument& doc_;
    std::string_view text_;
    std::vector<std::size_t> touched_;  // original section -> index in sections_
    std::vector<EditSection> sections_;
    std::vector<std::size_t> appended_;
    std::unordered_map<std::uint64_t, std::vector<std::size_t>> appendedByHash_;
    std::vector<std::unique_ptr<char[]>> arena_;
    std::size_t arenaSize_ = 0, arenaUsed_ = 0, extraBytes_ = 0;
};

IniDocument::EditResult IniDocument::withEdits(const std::vector<IniEdit>& edits) const {
    for (std::size_t i = 0; i < edits.size(); ++i) {
        if (auto reason = checkEdit(edits[i]))
            return {std::nullopt, {i, *reason}};
    }
    IniEditor editor(*this);
    for (const IniEdit& edit : edits)
        editor.apply(edit);
    return {editor.write(), {}};
}

}  // namespace store
