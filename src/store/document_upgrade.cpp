#include "store/document_upgrade.h"

#include <algorithm>
#include <array>
#include <deque>
#include <limits>
#include <optional>
#include <unordered_map>
#include <unordered_set>

#include "store/ini_document.h"
#include "store/person_document.h"
#include "util/c_number.h"
#include "util/gbk.h"

// The conversion makes, in one editor, the writes of the step-by-step conversion for every person the old section
// holds: for each section index n from "uLastInd" down to 1 that has at least one key of the key table, the 36 keys
// into section ql_n (empty where the old section has no such key); an index with no key gets no section, as a
// missing section reads as an empty card. Then "ver". The cost follows the keys present, not "uLastInd".
//
// Keys the conversion does not cover (an index above "uLastInd", a name outside the key table) go into the section
// of their index under their name, but never over a key the conversion wrote, one the document already holds, or
// one an earlier left-over key took. What cannot be placed so (no index, a name that cannot be written, a taken
// name, a duplicate that reads never saw) stays in the old section "ql" exactly as it was; only when nothing stays
// does the old section go.
//
// A document whose base section was lost (no "newcode") but whose old section holds cards is old too: it cannot be
// told from an old document that lost its base, and taking it for an empty one would write a new base with "ver"
// and leave every card unreachable. Its base is made from the cards: "uLastInd" covers the highest index a code can
// name, "newcode" is the code after it.
namespace store {
namespace {

// An old key "name_<n>": its name and its index, or index 0 when it has no index (no "_" that is a character of
// its own, a suffix that is not a decimal number as the document writes one, or an empty name).
struct OldKey {
    std::string_view name;
    std::int32_t index = 0;
};

OldKey splitOldKey(std::string_view key) {
    std::size_t underscore = std::string_view::npos;
    for (std::size_t pos = 0; pos < key.size();) {
        const std::size_t length = util::gbk::charLength(key, pos);
        if (length == 1 && key[pos] == '_')
            underscore = pos;
        pos += length;
    }
    if (underscore == std::string_view::npos || underscore == 0)
        return {key, 0};
    const std::string_view digits = key.substr(underscore + 1);
    if (digits.empty() || digits.size() > 10 || digits.front() == '0' ||
        digits.find_first_not_of("0123456789") != std::string_view::npos)
        return {key, 0};
    std::int64_t index = 0;
    for (char digit : digits)
        index = index * 10 + (digit - '0');
    if (index > std::numeric_limits<std::int32_t>::max())
        return {key, 0};
    return {key.substr(0, underscore), static_cast<std::int32_t>(index)};
}

// A name of up to 16 ASCII bytes, folded to lower case and packed into two words; names with other bytes do not pack.
struct PackedName {
    std::uint64_t low = 0, high = 0;
    std::size_t size = 0;
    bool operator==(const PackedName&) const = default;
};

std::optional<PackedName> packName(std::string_view name) {
    if (name.size() > 16)
        return std::nullopt;
    PackedName packed;
    packed.size = name.size();
    for (std::size_t i = 0; i < name.size(); ++i) {
        auto c = static_cast<unsigned char>(name[i]);
        if (c >= 0x80)
            return std::nullopt;
        if (c >= 'A' && c <= 'Z')
            c = static_cast<unsigned char>(c - 'A' + 'a');
        (i < 8 ? packed.low : packed.high) |= std::uint64_t{c} << (8 * (i % 8));
    }
    return packed;
}

// The record position of a key-table name, matched as the document matches names (ASCII case ignored; the key
// table's names are plain ASCII, so a name with other bytes is none of them).
int keyTablePosition(std::string_view name) {
    static const auto table = [] {
        std::array<PackedName, kPersonKeyCount> packed{};
        for (std::size_t i = 0; i < kPersonKeyCount; ++i)
            packed[i] = *packName(kKeyNames[i]);
        return packed;
    }();
    const auto packed = packName(name);
    if (!packed)
        return -1;
    for (std::size_t i = 0; i < kPersonKeyCount; ++i) {
        if (table[i] == *packed)
            return static_cast<int>(i);
    }
    return -1;
}

// Whether a name is the ASCII name given, ASCII case ignored (a byte of a two-byte character never matches).
bool sameAsciiName(std::string_view name, std::string_view ascii) {
    if (name.size() != ascii.size())
        return false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const char a = name[i], b = ascii[i];
        if (a != b && (a | 0x20) != (b | 0x20))
            return false;
        if (a != b && !((a | 0x20) >= 'a' && (a | 0x20) <= 'z'))
            return false;
    }
    return true;
}

// The place in the order of writing of each record position.
const std::array<std::size_t, kPersonKeyCount>& writingPlace() {
    static const auto places = [] {
        std::array<std::size_t, kPersonKeyCount> out{};
        for (std::size_t i = 0; i < kPersonKeyCount; ++i)
            out[static_cast<std::size_t>(kKeyTable[i])] = i;
        return out;
    }();
    return places;
}

// The key table's names in the order of writing.
const std::array<std::string_view, kPersonKeyCount>& namesInWritingOrder() {
    static const auto names = [] {
        std::array<std::string_view, kPersonKeyCount> out{};
        for (std::size_t i = 0; i < kPersonKeyCount; ++i)
            out[i] = keyName(kKeyTable[i]);
        return out;
    }();
    return names;
}

// One person of the old section: its index and where its values stand in the document's text, by record position.
// Offsets keep a slot small: a document of 100,000 persons has as many.
struct Slot {
    static constexpr std::uint32_t kMissing = 0xFFFFFFFF;
    struct Value {
        std::uint32_t start = kMissing;
        std::uint32_t length = 0;
    };
    std::int32_t index = 0;
    std::array<Value, kPersonKeyCount> values{};
};

// The section of a person in the current form, "ql_<n>", without a format call per person.
std::string currentSection(std::int32_t n) {
    return std::string(kOldSection) + "_" + std::to_string(n);
}

// A key the conversion does not cover, and where it would go.
struct LeftOver {
    std::size_t line;  // its place among the old section's key lines
    std::int32_t index;
    std::string_view name;  // trimmed
    std::string_view value;
};

// The highest index of a card in the old section that a code can name (a key of the key table with an index of
// 1..kLastIndex); nothing when it holds none.
std::optional<std::int32_t> highestOldCard(const IniDocument& doc) {
    std::optional<std::int32_t> highest;
    doc.forEachEntry(kOldSection, [&](const IniEntry& entry) {
        const OldKey key = splitOldKey(entry.key);
        if (key.index >= 1 && key.index <= kLastIndex && key.index > highest.value_or(0) &&
            keyTablePosition(key.name) >= 0)
            highest = key.index;
    });
    return highest;
}

bool hasValue(const IniDocument& doc, std::string_view key) {
    return !doc.value(kBaseSection, key).value_or("").empty();
}

// Old: no "ver", and "newcode" or, without it, the old section's cards, which the base section lost left unreachable.
bool isOld(const IniDocument& doc) {
    return !hasValue(doc, kVersionKey) && (hasValue(doc, kNewCodeKey) || highestOldCard(doc));
}

std::optional<std::string> convert(const IniDocument& doc, IniEditor& editor, UpgradeOutcome& outcome) {
    if (hasValue(doc, kVersionKey)) {
        outcome = UpgradeOutcome::AlreadyCurrent;
        return std::nullopt;
    }
    // Without "newcode" the base section is made anew from the cards: the list reads from the highest index down,
    // and a new person gets the code after it.
    std::optional<std::int32_t> baseless;
    if (!hasValue(doc, kNewCodeKey)) {
        baseless = highestOldCard(doc);
        if (!baseless) {
            outcome = UpgradeOutcome::Empty;
            return std::nullopt;
        }
    }
    outcome = UpgradeOutcome::Upgraded;
    const std::string_view storedLast = doc.value(kBaseSection, kLastIndexKey).value_or("");
    std::int32_t last = util::readCInt(storedLast);
    if (baseless)
        last = std::max(*baseless, std::clamp(last, 0, kLastIndex));

    std::deque<Slot> slots;  // no copies as it grows
    const char* const text = doc.text().data();
    std::unordered_map<std::int32_t, std::size_t> slotOf;
    std::vector<bool> keep;  // key lines that stay in the old section
    std::vector<LeftOver> leftOvers;
    std::int32_t cachedIndex = 0;  // the old section lists a person's keys together: the last slot is cached
    std::size_t cachedSlot = 0;
    std::size_t nextInWriting = 0;
    doc.forEachEntry(kOldSection, [&](const IniEntry& entry) {
        const std::size_t line = keep.size();
        keep.push_back(false);
        const OldKey key = splitOldKey(entry.key);
        if (key.index == 0) {
            keep[line] = true;
            return;
        }
        // A person's keys are usually written in the key table's order: the name after the last one is tried first.
        const PersonKey guess = kKeyTable[nextInWriting];
        const int position =
            sameAsciiName(key.name, keyName(guess)) ? static_cast<int>(guess) : keyTablePosition(key.name);
        if (position >= 0)
            nextInWriting = (writingPlace()[static_cast<std::size_t>(position)] + 1) % kPersonKeyCount;
        if (position < 0 || key.index > last) {
            leftOvers.push_back({line, key.index, trimBlanks(key.name), entry.value});
            return;
        }
        if (key.index != cachedIndex) {
            const auto [found, isNew] = slotOf.try_emplace(key.index, slots.size());
            if (isNew)
                slots.push_back({key.index, {}});
            cachedIndex = key.index;
            cachedSlot = found->second;
        }
        Slot::Value& value = slots[cachedSlot].values[static_cast<std::size_t>(position)];
        if (value.start == Slot::kMissing)
            value = {static_cast<std::uint32_t>(entry.value.data() - text),
                     static_cast<std::uint32_t>(entry.value.size())};
        else
            keep[line] = true;  // a duplicate that reads never saw: it stays where it was
    });

    // Sections from the highest index down; the slots are large, so their order is sorted, not they.
    std::vector<std::pair<std::int32_t, std::size_t>> order(slots.size());
    for (std::size_t i = 0; i < slots.size(); ++i)
        order[i] = {slots[i].index, i};
    std::sort(order.begin(), order.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    const auto& names = namesInWritingOrder();
    std::array<std::string_view, kPersonKeyCount> values;
    for (const auto& [index, at] : order) {
        const Slot& slot = slots[at];
        for (std::size_t i = 0; i < kPersonKeyCount; ++i) {
            const Slot::Value value = slot.values[static_cast<std::size_t>(kKeyTable[i])];
            values[i] =
                value.start == Slot::kMissing ? std::string_view() : std::string_view(text + value.start, value.length);
        }
        if (auto reason = editor.setValues(currentSection(index), names.data(), values.data(), kPersonKeyCount))
            return reason;
    }

    // Left-over keys by target section, sections in the order their first key comes.
    struct Group {
        std::int32_t index;
        std::vector<std::string_view> names, values;
    };
    std::vector<Group> groups;
    std::unordered_map<std::int32_t, std::size_t> groupOf;
    std::unordered_set<std::string> taken;  // index, NUL, folded name of every placed key
    for (const LeftOver& left : leftOvers) {
        const std::string section = currentSection(left.index);
        std::string placed = std::to_string(left.index);
        placed.push_back('\0');
        placed += util::gbk::foldAsciiCase(left.name);
        // Below "uLastInd" the key table's names belong to the conversion ("nick _2" is not nick_2).
        const bool conversionsName = left.index <= last && keyTablePosition(left.name) >= 0;
        if (IniDocument::checkEdit(IniEdit::Kind::SetValue, section, left.name, left.value) || conversionsName ||
            doc.value(section, left.name) || !taken.insert(std::move(placed)).second) {
            keep[left.line] = true;
            continue;
        }
        const auto [found, isNew] = groupOf.try_emplace(left.index, groups.size());
        if (isNew)
            groups.push_back({left.index, {}, {}});
        groups[found->second].names.push_back(left.name);
        groups[found->second].values.push_back(left.value);
    }
    for (const Group& group : groups) {
        if (auto reason = editor.setValues(currentSection(group.index), group.names.data(), group.values.data(),
                                           group.names.size()))
            return reason;
    }

    if (auto reason = editor.apply(IniEdit::Kind::SetValue, kBaseSection, kVersionKey, kDocumentVersion))
        return reason;
    if (baseless) {
        if (auto reason =
                editor.apply(IniEdit::Kind::SetValue, kBaseSection, kNewCodeKey, formatCode(last + kFirstCode)))
            return reason;
        if (formatCode(last) != storedLast) {
            if (auto reason = editor.apply(IniEdit::Kind::SetValue, kBaseSection, kLastIndexKey, formatCode(last)))
                return reason;
        }
    }
    editor.keepKeyLines(kOldSection, keep);
    return std::nullopt;
}

}  // namespace

bool isOldDocument(CChkUid& store) {
    return isOld(*store.file().document());
}

UpgradeOutcome upgradeDocument(CChkUid& store) {
    UpgradeOutcome outcome = UpgradeOutcome::Failed;
    const bool written = store.file().update(
        [&outcome](const IniDocument& doc, IniEditor& editor) { return convert(doc, editor, outcome); });
    return written ? outcome : UpgradeOutcome::Failed;
}

}  // namespace store
