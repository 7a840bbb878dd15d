#include "store/ini_editor.h"

#include <algorithm>
#include <cstring>

#include "store/ini_grammar.h"
#include "util/gbk.h"
#include "util/memory_hint.h"

namespace store {

using namespace grammar;

namespace {

// A cheap fingerprint of a key name for the section's key filter. Names that match (ASCII case ignored) have equal
// fingerprints; folding every byte, second bytes of characters included, only makes the filter less sharp.
std::uint64_t keyFingerprint(std::string_view key) {
    auto fold = [](char c) -> std::uint64_t {
        return static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    };
    std::uint64_t h = key.size();
    const std::size_t n = key.size();
    for (std::size_t i = 0; i < n && i < 4; ++i)
        h = h * 131 + fold(key[i]);
    for (std::size_t i = n > 4 ? std::max<std::size_t>(n - 4, 4) : n; i < n; ++i)
        h = h * 131 + fold(key[i]);
    return h ^ (h >> 29) ^ (h >> 11);
}

std::uint64_t filterBit(std::uint64_t hash) {
    return std::uint64_t{1} << (hash & 63);
}

std::size_t filterWord(std::uint64_t hash) {
    return (hash >> 6) & 3;
}

}  // namespace

// The editor copies the lines of the sections that edits reach, and only those; writing the text out copies the
// untouched sections as they stand.
IniEditor::IniEditor(const IniDocument& doc) : doc_(doc), text_(doc.text_) {
    touched_.assign(doc.sections_.size(), kUntouched);
}

IniEditor::~IniEditor() = default;

std::optional<std::string> IniEditor::apply(const IniEdit& edit) {
    return apply(edit.kind, edit.section, edit.key, edit.value);
}

std::optional<std::string> IniEditor::apply(IniEdit::Kind kind,
                                            std::string_view rawSection,
                                            std::string_view rawKey,
                                            std::string_view value) {
    // Edits come in runs on one section: its name is checked once per run.
    const bool sameSection = rawSection == checkedSection_;
    if (auto reason = IniDocument::checkEdit(kind, sameSection ? std::string_view("s") : rawSection, rawKey, value))
        return reason;
    if (!sameSection)
        checkedSection_.assign(rawSection);
    const std::string_view section = trimBlanks(rawSection);
    const std::string_view key = trimBlanks(rawKey);
    switch (kind) {
        case IniEdit::Kind::SetValue:
            setValue(section, key, value);
            break;
        case IniEdit::Kind::DeleteKey:
            if (auto s = findAlive(section)) {
                EditSection& sec = sections_[*s];
                if (auto line = findKeyLine(sec, key, keyFingerprint(key)))
                    sec.lines.erase(sec.lines.begin() + static_cast<std::ptrdiff_t>(*line));
            }
            break;
        case IniEdit::Kind::DeleteSection:
            if (auto original = findUntouched(section)) {
                // Deleting a section no edit has touched needs no copy of its lines: they are filtered on writing.
                touched_[*original] = kDeletedUntouched;
            } else if (auto s = findAlive(section)) {
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
    return std::nullopt;
}

void IniEditor::appendLater(std::size_t size, std::function<void(std::string& out)> write) {
    if (size == 0)
        return;
    later_.push_back(std::move(write));
    laterBytes_ += size;
}

std::string IniEditor::text() const {
    std::string out;
    out.reserve(text_.size() + extraBytes_ + laterBytes_ + 64);
    util::adviseLargeBuffer(out.data(), out.capacity());
    // Appends lines: a line that ended the file without a break gets one when anything follows it.
    bool unbroken = false;
    auto append = [&out, &unbroken](std::string_view bytes, std::string_view lineBreak = {}) {
        if (bytes.empty() && lineBreak.empty())
            return;
        if (unbroken)
            out.append("\r\n");
        out.append(bytes);
        out.append(lineBreak);
        unbroken = lineBreak.empty() && !isBreak(out.back());
    };
    append(text_.substr(0, doc_.preambleEnd_));
    for (std::size_t i = 0; i < doc_.sections_.size(); ++i) {
        const auto& s = doc_.sections_[i];
        if (touched_[i] == kUntouched) {
            append(text_.substr(s.headStart, s.end - s.headStart));
        } else if (touched_[i] == kDeletedUntouched) {
            // Only the head and the key lines go; comments, blank and odd lines stay.
            for (std::size_t pos = s.bodyStart; pos < s.end;) {
                const std::size_t end = lineEnd(text_, pos);
                const std::size_t next = end + breakLength(text_, end);
                if (!isKeyLine(text_.substr(pos, end - pos)))
                    append(text_.substr(pos, end - pos), text_.substr(end, next - end));
                pos = next;
            }
        } else {
            writeLines(sections_[touched_[i]], append);
        }
    }
    for (std::size_t index : appended_)
        writeLines(sections_[index], append);
    // Text made late is never held twice: it goes straight into the buffer that was sized for it.
    for (const auto& write : later_) {
        if (unbroken)
            out.append("\r\n");
        unbroken = false;
        write(out);
    }
    return out;
}

template <typename Append>
void IniEditor::writeLines(const EditSection& sec, Append& append) {
    for (const Line& line : sec.lines)
        append(line.text(), kBreaks[line.lineBreak]);
}

std::string_view IniEditor::store(std::string_view a, std::string_view b, std::string_view c, std::string_view d) {
    const std::size_t size = a.size() + b.size() + c.size() + d.size();
    if (arena_.empty() || arenaUsed_ + size > arenaSize_) {
        // Chunks grow with the edits, up to 16 MiB: a person's save stays small, an upgrade takes few chunks.
        arenaSize_ = std::max<std::size_t>(
            size, std::min<std::size_t>(std::max<std::size_t>(arenaSize_ * 2, 1 << 16), 16 << 20));
        arena_.push_back(std::unique_ptr<char[]>(new char[arenaSize_]));
        util::adviseLargeBuffer(arena_.back().get(), arenaSize_);
        arenaUsed_ = 0;
    }
    char* dest = arena_.back().get() + arenaUsed_;
    char* p = dest;
    std::memcpy(p, a.data(), a.size());
    p += a.size();
    if (!b.empty())
        std::memcpy(p, b.data(), b.size());
    p += b.size();
    if (!c.empty())
        std::memcpy(p, c.data(), c.size());
    p += c.size();
    if (!d.empty())
        std::memcpy(p, d.data(), d.size());
    arenaUsed_ += size;
    extraBytes_ += size + 2;
    return {dest, size};
}

std::uint8_t IniEditor::breakIndex(std::string_view lineBreak) {
    if (lineBreak == "\r\n")
        return 1;
    if (lineBreak == "\n")
        return 2;
    return lineBreak == "\r" ? 3 : 0;
}

IniEditor::Line IniEditor::makeLine(std::string_view text, std::uint8_t lineBreak, bool isHead) {
    Line line;
    line.setText(text);
    line.lineBreak = lineBreak;
    line.isHead = isHead;
    if (isHead)
        return line;
    const ParsedLine parsed = parseLine(text);
    if (parsed.isKey) {
        line.isKey = true;
        line.keyStart = static_cast<std::uint32_t>(parsed.keyStart);
        line.keyLength = static_cast<std::uint32_t>(parsed.keyLength);
        line.equalsAt = static_cast<std::uint32_t>(parsed.equalsAt);
    }
    return line;
}

// Copies an original section's lines into an editable section (once).
std::size_t IniEditor::touch(std::size_t original) {
    if (touched_[original] != kUntouched)
        return touched_[original];
    const auto& s = doc_.sections_[original];
    EditSection sec;
    sec.name = text_.substr(s.nameStart, s.nameLength);
    for (std::size_t pos = s.headStart; pos < s.end;) {
        const std::size_t end = lineEnd(text_, pos);
        const std::size_t brk = breakLength(text_, end);
        const Line line =
            makeLine(text_.substr(pos, end - pos), breakIndex(text_.substr(end, brk)), pos == s.headStart);
        if (line.isKey) {
            const std::uint64_t hash = keyFingerprint(line.text().substr(line.keyStart, line.keyLength));
            sec.keyFilter[filterWord(hash)] |= filterBit(hash);
        }
        sec.lines.push_back(line);
        pos = end + brk;
    }
    sections_.push_back(std::move(sec));
    touched_[original] = sections_.size() - 1;
    return touched_[original];
}

std::optional<std::size_t> IniEditor::firstLiveOriginal(std::string_view name, std::uint64_t hash) const {
    const auto [begin, end] = hashRange(doc_.sectionsByHash_, hash);
    for (auto it = begin; it != end; ++it) {
        const auto& s = doc_.sections_[it->second];
        if (!util::gbk::equalsIgnoringAsciiCase(text_.substr(s.nameStart, s.nameLength), name))
            continue;
        const std::size_t state = touched_[it->second];
        if (state == kUntouched || (state != kDeletedUntouched && sections_[state].alive))
            return it->second;
    }
    return std::nullopt;
}

std::optional<std::size_t> IniEditor::findUntouched(std::string_view name) const {
    const auto original = firstLiveOriginal(name, nameHash(name));
    if (original && touched_[*original] == kUntouched)
        return original;
    return std::nullopt;
}

std::optional<std::size_t> IniEditor::findAlive(std::string_view name) {
    if (lastSection_ != kUntouched && name == lastName_ && sections_[lastSection_].alive)
        return lastSection_;
    auto remember = [this, name](std::size_t index) {
        lastName_.assign(name);
        lastSection_ = index;
        return index;
    };
    const std::uint64_t hash = nameHash(name);
    if (const auto original = firstLiveOriginal(name, hash))
        return remember(touch(*original));
    if (auto found = appendedByHash_.find(hash); found != appendedByHash_.end()) {
        for (std::size_t index = found->second; index != kUntouched; index = sections_[index].nextWithSameHash) {
            const EditSection& sec = sections_[index];
            if (sec.alive && util::gbk::equalsIgnoringAsciiCase(sec.name, name))
                return remember(index);
        }
    }
    return std::nullopt;
}

std::optional<std::size_t> IniEditor::findKeyLine(const EditSection& sec, std::string_view key, std::uint64_t hash) {
    if ((sec.keyFilter[filterWord(hash)] & filterBit(hash)) == 0)
        return std::nullopt;
    for (std::size_t i = 1; i < sec.lines.size(); ++i) {
        const Line& line = sec.lines[i];
        if (line.isKey && line.keyLength == key.size() &&
            util::gbk::equalsIgnoringAsciiCase(line.text().substr(line.keyStart, line.keyLength), key))
            return i;
    }
    return std::nullopt;
}

std::size_t IniEditor::appendSection(std::string_view section) {
    EditSection sec;
    const std::string_view head = store("[", section, "]");
    sec.name = head.substr(1, section.size());
    sec.lines.reserve(40);  // a person's section holds 36 keys
    sec.lines.push_back(makeLine(head, 1, true));
    sections_.push_back(std::move(sec));
    const std::size_t index = sections_.size() - 1;
    appended_.push_back(index);
    // Sections of one hash are chained, the newest first.
    const auto [slot, isNew] = appendedByHash_.try_emplace(nameHash(section), index);
    if (!isNew) {
        sections_[index].nextWithSameHash = slot->second;
        slot->second = index;
    }
    lastName_.assign(section);
    lastSection_ = index;
    return index;
}

IniEditor::Line IniEditor::newKeyLine(std::string_view text, std::size_t keyLength) {
    Line line;
    line.setText(text);
    line.lineBreak = 1;  // CR LF
    line.isKey = true;
    line.keyLength = static_cast<std::uint32_t>(keyLength);
    line.equalsAt = static_cast<std::uint32_t>(keyLength);
    return line;
}

std::optional<std::string> IniEditor::setValues(std::string_view rawSection,
                                                const std::string_view* keys,
                                                const std::string_view* values,
                                                std::size_t count) {
    if (auto reason = IniDocument::checkEdit(IniEdit::Kind::SetValue, rawSection, "k", {}))
        return reason;
    for (std::size_t i = 0; i < count; ++i) {
        if (auto reason = IniDocument::checkEdit(IniEdit::Kind::SetValue, "s", keys[i], values[i]))
            return reason;
    }
    const std::string_view section = trimBlanks(rawSection);
    if (const auto found = findAlive(section)) {
        setValuesInSection(*found, keys, values, count);
        return std::nullopt;
    }
    EditSection& sec = sections_[appendSection(section)];
    for (std::size_t i = 0; i < count; ++i) {
        const std::string_view key = trimBlanks(keys[i]);
        const std::uint64_t hash = keyFingerprint(key);
        sec.keyFilter[filterWord(hash)] |= filterBit(hash);
        sec.lines.push_back(newKeyLine(store(key, "=", values[i]), key.size()));
    }
    return std::nullopt;
}

// Many keys into a section that exists: its key lines are indexed once, so the cost follows the keys, not keys
// times lines. The new keys go, in order, right after the last key line.
void IniEditor::setValuesInSection(std::size_t index,
                                   const std::string_view* keys,
                                   const std::string_view* values,
                                   std::size_t count) {
    EditSection& sec = sections_[index];
    constexpr std::size_t kWalkLimit = 8;
    if (count <= kWalkLimit) {
        for (std::size_t i = 0; i < count; ++i)
            setValue(sec.name, trimBlanks(keys[i]), values[i]);
        return;
    }
    std::unordered_map<std::string, std::size_t> lineOf;  // folded key -> its first line; new lines offset by size
    for (std::size_t i = 1; i < sec.lines.size(); ++i) {
        const Line& line = sec.lines[i];
        if (line.isKey)
            lineOf.try_emplace(util::gbk::foldAsciiCase(line.text().substr(line.keyStart, line.keyLength)), i);
    }
    std::size_t at = sec.lines.size();
    while (at > 1 && !sec.lines[at - 1].isKey)
        --at;
    std::vector<Line> added;
    for (std::size_t i = 0; i < count; ++i) {
        const std::string_view key = trimBlanks(keys[i]);
        const auto [found, isNew] = lineOf.try_emplace(util::gbk::foldAsciiCase(key), sec.lines.size() + added.size());
        if (!isNew) {
            Line& line =
                found->second < sec.lines.size() ? sec.lines[found->second] : added[found->second - sec.lines.size()];
            line.setText(store(line.text().substr(0, line.equalsAt + 1), values[i]));
            continue;
        }
        const std::uint64_t hash = keyFingerprint(key);
        sec.keyFilter[filterWord(hash)] |= filterBit(hash);
        added.push_back(newKeyLine(store(key, "=", values[i]), key.size()));
    }
    sec.lines.insert(sec.lines.begin() + static_cast<std::ptrdiff_t>(at), added.begin(), added.end());
}

void IniEditor::keepKeyLines(std::string_view rawSection, const std::vector<bool>& keep) {
    const std::string_view section = trimBlanks(rawSection);
    const auto original = firstLiveOriginal(section, nameHash(section));
    if (std::find(keep.begin(), keep.end(), true) == keep.end()) {
        apply(IniEdit::Kind::DeleteSection, section);
        return;
    }
    if (!original)
        return;
    EditSection& sec = sections_[touch(*original)];
    std::size_t ordinal = 0;
    std::erase_if(sec.lines, [&](const Line& line) {
        if (!line.isKey)
            return false;
        const std::size_t at = ordinal++;
        return at >= keep.size() || !keep[at];
    });
}

void IniEditor::setValue(std::string_view section, std::string_view key, std::string_view value) {
    auto s = findAlive(section);
    if (!s)
        s = appendSection(section);
    EditSection& sec = sections_[*s];
    const std::uint64_t hash = keyFingerprint(key);
    if (auto found = findKeyLine(sec, key, hash)) {
        Line& line = sec.lines[*found];
        line.setText(store(line.text().substr(0, line.equalsAt + 1), value));
        return;
    }
    // A new key goes right after the last key line, or right after the head.
    std::size_t at = sec.lines.size();
    while (at > 1 && !sec.lines[at - 1].isKey)
        --at;
    sec.keyFilter[filterWord(hash)] |= filterBit(hash);
    sec.lines.insert(sec.lines.begin() + static_cast<std::ptrdiff_t>(at),
                     newKeyLine(store(key, "=", value), key.size()));
}

}  // namespace store
