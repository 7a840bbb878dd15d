#include "store/ini_document.h"

#include "store/ini_editor.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <unordered_map>

#include "store/ini_grammar.h"
#include "util/gbk.h"

namespace store {

using namespace grammar;

std::uint64_t nameHash(std::string_view name) {
    std::uint64_t hash = 14695981039346656037ull;
    const std::size_t size = name.size();
    for (std::size_t pos = 0; pos < size; ++pos) {
        auto c = static_cast<unsigned char>(name[pos]);
        if (c < 0x80) {
            if (c >= 'A' && c <= 'Z')
                c = static_cast<unsigned char>(c - 'A' + 'a');
        } else if (util::gbk::charLength(name, pos) == 2) {
            // Both bytes of a two-byte character go in unfolded.
            hash = (hash ^ c) * 1099511628211ull;
            c = static_cast<unsigned char>(name[++pos]);
        }
        hash = (hash ^ c) * 1099511628211ull;
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
                             static_cast<std::uint32_t>(text.size()), static_cast<std::uint32_t>(name.data() - base),
                             static_cast<std::uint32_t>(name.size())});
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
    keyLinesBuilt_.resize(sections_.size());
}

std::optional<std::size_t> IniDocument::findSection(std::string_view name) const {
    if (name.empty())
        return std::nullopt;
    // Reads come in runs on one section (a person's 36 keys): the last section found is tried first.
    if (lastFoundSection_ < sections_.size() && name == lastFoundName_)
        return lastFoundSection_;
    const auto [begin, end] = hashRange(sectionsByHash_, nameHash(name));
    for (auto it = begin; it != end; ++it) {
        const Section& s = sections_[it->second];
        if (util::gbk::equalsIgnoringAsciiCase(std::string_view(text_).substr(s.nameStart, s.nameLength), name)) {
            lastFoundName_.assign(name);
            lastFoundSection_ = it->second;
            return it->second;
        }
    }
    return std::nullopt;
}

const std::vector<IniDocument::KeyLine>& IniDocument::keyLines(std::size_t index) const {
    std::vector<KeyLine>& lines = keyLines_[index];
    if (keyLinesBuilt_[index])
        return lines;
    keyLinesBuilt_[index] = true;
    const std::string_view text(text_);
    const Section& s = sections_[index];
    for (std::size_t pos = s.bodyStart; pos < s.end;) {
        const std::size_t end = lineEnd(text, pos);
        const std::size_t brk = breakLength(text, end);
        const ParsedLine parsed = parseLine(text.substr(pos, end - pos));
        if (parsed.isKey) {
            lines.push_back(
                {static_cast<std::uint32_t>(pos), static_cast<std::uint32_t>(end), static_cast<std::uint32_t>(brk),
                 static_cast<std::uint32_t>(pos + parsed.keyStart), static_cast<std::uint32_t>(parsed.keyLength),
                 static_cast<std::uint32_t>(pos + parsed.valueStart), static_cast<std::uint32_t>(parsed.valueLength)});
        }
        pos = end + brk;
    }
    return lines;
}

std::optional<std::size_t> IniDocument::findKey(std::size_t section, std::string_view key) const {
    if (key.empty())
        return std::nullopt;
    const std::string_view text(text_);
    const std::vector<KeyLine>& lines = keyLines(section);
    auto matches = [&](const KeyLine& line) {
        return line.keyLength == key.size() &&
               util::gbk::equalsIgnoringAsciiCase(text.substr(line.keyStart, line.keyLength), key);
    };
    // A person's section is small enough to walk; a large one gets a hash index on first use.
    constexpr std::size_t kWalkLimit = 64;
    if (lines.size() <= kWalkLimit) {
        for (std::size_t i = 0; i < lines.size(); ++i) {
            if (matches(lines[i]))
                return i;
        }
        return std::nullopt;
    }
    auto& byHash = keysByHash_[section];
    if (byHash.empty()) {
        byHash.reserve(lines.size());
        for (std::size_t i = 0; i < lines.size(); ++i)
            byHash.emplace_back(nameHash(text.substr(lines[i].keyStart, lines[i].keyLength)),
                                static_cast<std::uint32_t>(i));
        std::sort(byHash.begin(), byHash.end());
    }
    const auto [begin, end] = hashRange(byHash, nameHash(key));
    for (auto it = begin; it != end; ++it) {
        if (matches(lines[it->second]))
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

std::vector<std::string_view> IniDocument::sectionNames() const {
    std::vector<std::string_view> names;
    names.reserve(sections_.size());
    for (const Section& s : sections_)
        names.push_back(std::string_view(text_).substr(s.nameStart, s.nameLength));
    return names;
}

void IniDocument::forEachSection(const std::function<void(std::string_view name, std::string_view body)>& visit) const {
    const std::string_view text(text_);
    for (const Section& s : sections_)
        visit(text.substr(s.nameStart, s.nameLength), text.substr(s.bodyStart, s.end - s.bodyStart));
}

std::optional<std::vector<IniEntry>> IniDocument::entries(std::string_view section) const {
    std::vector<IniEntry> out;
    if (!forEachEntry(section, [&out](const IniEntry& entry) { out.push_back(entry); }))
        return std::nullopt;
    return out;
}

bool IniDocument::forEachEntry(std::string_view section, const std::function<void(const IniEntry&)>& visit) const {
    const auto s = findSection(trimBlanks(section));
    if (!s)
        return false;
    const std::string_view text(text_);
    const Section& sec = sections_[*s];
    for (std::size_t pos = sec.bodyStart; pos < sec.end;) {
        const std::size_t end = lineEnd(text, pos);
        const std::string_view line = text.substr(pos, end - pos);
        const ParsedLine parsed = parseLine(line);
        if (parsed.isKey)
            visit({line.substr(parsed.keyStart, parsed.keyLength), line.substr(parsed.valueStart, parsed.valueLength)});
        pos = end + breakLength(text, end);
    }
    return true;
}

std::optional<std::string> IniDocument::checkEdit(const IniEdit& edit) {
    return checkEdit(edit.kind, edit.section, edit.key, edit.value);
}

std::optional<std::string> IniDocument::checkEdit(IniEdit::Kind kind,
                                                  std::string_view rawSection,
                                                  std::string_view rawKey,
                                                  std::string_view value) {
    const std::string_view section = trimBlanks(rawSection);
    if (section.empty())
        return "节名为空";
    if (containsBreakOrNul(rawSection))
        return "节名含有换行符或空字符";
    for (std::size_t pos = 0; pos < section.size();) {
        const std::size_t length = util::gbk::charLength(section, pos);
        if (section[pos] == ']')
            return "节名含有“]”";
        // A lone first half of a character at the end would take the closing "]" as its second half.
        if (length == 1 && pos + 1 == section.size() && util::gbk::isLeadByte(static_cast<unsigned char>(section[pos])))
            return "节名以半个汉字结尾";
        pos += length;
    }
    if (kind == IniEdit::Kind::SetValue || kind == IniEdit::Kind::DeleteKey) {
        const std::string_view key = trimBlanks(rawKey);
        if (key.empty())
            return "键名为空";
        if (containsBreakOrNul(rawKey))
            return "键名含有换行符或空字符";
        if (key.front() == ';' || key.front() == '[')
            return "键名以“;”或“[”开头";
        if (key.find('=') != std::string_view::npos)
            return "键名含有“=”";
    }
    if (kind == IniEdit::Kind::SetValue && containsBreakOrNul(value))
        return "值含有换行符或空字符";
    return std::nullopt;
}

IniDocument::EditResult IniDocument::withEdits(const std::vector<IniEdit>& edits) const {
    for (std::size_t i = 0; i < edits.size(); ++i) {
        if (auto reason = checkEdit(edits[i]))
            return {std::nullopt, {i, *reason}};
    }
    IniEditor editor(*this);
    for (const IniEdit& edit : edits)
        editor.apply(edit);
    return {editor.text(), {}};
}

}  // namespace store
