#include "store/document_upgrade.h"

#include <algorithm>
#include <array>
#include <bitset>
#include <optional>
#include <unordered_set>

#include "store/ini_document.h"
#include "store/person_document.h"
#include "util/c_number.h"
#include "util/gbk.h"

// The conversion makes, in one editor, exactly the writes of the step-by-step conversion: for every section index
// n from "uLastInd" down to 1, the 36 keys of the key table into section ql_n (empty when the old section has no
// such key), then "ver". It then keeps what the step-by-step conversion would lose: old keys whose index is above
// "uLastInd" and keys outside the key table go into the section of their index; keys with no index stay in a
// section "ql" of their own. Only then does the old section go.
namespace store {
namespace {

// An old key "name_<n>": its name and its index, or index 0 when it has no index (no "_", a suffix that is not a
// decimal number as the document writes one, or an empty name).
struct OldKey {
    std::string_view name;
    std::int32_t index = 0;
};

OldKey splitOldKey(std::string_view key) {
    const std::size_t underscore = key.rfind('_');
    if (underscore == std::string_view::npos || underscore == 0)
        return {key, 0};
    const std::string_view digits = key.substr(underscore + 1);
    if (digits.empty() || digits.size() > 9 || digits.front() == '0' ||
        digits.find_first_not_of("0123456789") != std::string_view::npos)
        return {key, 0};
    return {key.substr(0, underscore), util::readCInt(digits)};
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

struct Slot {
    std::array<std::string_view, kPersonKeyCount> values;
    std::bitset<kPersonKeyCount> found;
};

std::optional<std::string> convert(const IniDocument& doc, IniEditor& editor) {
    // Indices above the highest a person code can have are never written by the system; they are not made.
    const std::int32_t last = std::min(util::readCInt(doc.value(kBaseSection, kLastIndexKey).value_or("")), kLastIndex);
    std::vector<std::int32_t> slotOf(static_cast<std::size_t>(std::max(last, 0)) + 1, -1);
    std::vector<Slot> slots;
    struct Extra {
        OldKey key;
        std::string_view fullKey;
        std::string_view value;
    };
    std::vector<Extra> extras;
    std::unordered_set<std::string> seenExtras;
    doc.forEachEntry(kOldSection, [&](const IniEntry& entry) {
        const OldKey key = splitOldKey(entry.key);
        const int position = key.index > 0 ? keyTablePosition(key.name) : -1;
        if (position >= 0 && key.index <= last) {
            std::int32_t& slot = slotOf[static_cast<std::size_t>(key.index)];
            if (slot < 0) {
                slot = static_cast<std::int32_t>(slots.size());
                slots.emplace_back();
            }
            Slot& s = slots[static_cast<std::size_t>(slot)];
            if (!s.found[static_cast<std::size_t>(position)]) {  // with duplicate keys the first one counts
                s.found.set(static_cast<std::size_t>(position));
                s.values[static_cast<std::size_t>(position)] = entry.value;
            }
        } else if (seenExtras.insert(util::gbk::foldAsciiCase(entry.key)).second) {
            extras.push_back({key, entry.key, entry.value});
        }
    });

    for (std::int32_t n = last; n >= 1; --n) {
        const std::string section = personSection(n, DocumentForm::Current);
        const std::int32_t slot = slotOf[static_cast<std::size_t>(n)];
        for (PersonKey key : kKeyTable) {
            const std::string_view value =
                slot < 0 ? std::string_view()
                         : slots[static_cast<std::size_t>(slot)].values[static_cast<std::size_t>(key)];
            if (auto reason = editor.apply(IniEdit::Kind::SetValue, section, keyName(key), value))
                return reason;
        }
    }
    std::vector<const Extra*> unindexed;
    for (const Extra& extra : extras) {
        if (extra.key.index > 0 &&
            !editor.apply(IniEdit::Kind::SetValue, personSection(extra.key.index, DocumentForm::Current),
                          extra.key.name, extra.value))
            continue;
        unindexed.push_back(&extra);
    }
    if (auto reason = editor.apply(IniEdit::Kind::SetValue, kBaseSection, kVersionKey, kDocumentVersion))
        return reason;
    editor.apply(IniEdit::Kind::DeleteSection, kOldSection);
    for (const Extra* extra : unindexed)
        editor.apply(IniEdit::Kind::SetValue, kOldSection, extra->fullKey, extra->value);
    return std::nullopt;
}

}  // namespace

bool upgradeDocument(CChkUid& store) {
    return store.file().update(convert);
}

}  // namespace store
