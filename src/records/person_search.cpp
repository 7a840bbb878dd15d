#include "records/person_search.h"

#include <algorithm>
#include <cstring>

#include "records/document_cards.h"
#include "records/person_list.h"
#include "store/ini_grammar.h"
#include "util/c_number.h"
#include "util/gbk.h"

namespace records {

namespace {

using store::PersonKey;

constexpr std::array<PersonKey, 6> kSearchedKeys = {PersonKey::UInd,   PersonKey::Nick, PersonKey::Srday,
                                                    PersonKey::Nongli, PersonKey::Area, PersonKey::Memo};

void foldInto(std::string& out, std::string_view text) {
    const std::size_t start = out.size();
    out.append(text);
    if (std::none_of(text.begin(), text.end(), [](char c) { return c >= 'A' && c <= 'Z'; }))
        return;  // nothing to fold (most texts: Chinese and digits)
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t len = util::gbk::charLength(text, pos);
        if (len == 1 && text[pos] >= 'A' && text[pos] <= 'Z')
            out[start + pos] = static_cast<char>(text[pos] - 'A' + 'a');
        pos += len;
    }
}

// The end of the line starting at pos, as the grammar has it (a lone CR ends a line too), found with memchr.
std::size_t lineEndOf(std::string_view text, std::size_t pos) {
    const void* found = std::memchr(text.data() + pos, '\n', text.size() - pos);
    std::size_t end = found ? static_cast<std::size_t>(static_cast<const char*>(found) - text.data()) : text.size();
    if (end > pos && text[end - 1] == '\r')
        --end;
    if (std::memchr(text.data() + pos, '\r', end - pos) != nullptr)
        return store::grammar::lineEnd(text, pos);
    return end;
}

// Whether needle, found at hit of a field's text, starts and ends on character boundaries of it.
bool onBoundaries(std::string_view field, std::size_t hit, std::size_t length) {
    std::size_t pos = 0;
    while (pos < hit)
        pos += util::gbk::charLength(field, pos);
    if (pos != hit)
        return false;
    while (pos < hit + length)
        pos += util::gbk::charLength(field, pos);
    return pos == hit + length;
}

// Whether the folded needle occurs in the folded text on character boundaries.
bool containsFolded(std::string_view text, std::string_view needle) {
    for (std::size_t hit = text.find(needle); hit != std::string_view::npos; hit = text.find(needle, hit + 1))
        if (onBoundaries(text, hit, needle.size()))
            return true;
    return false;
}

}  // namespace

std::string_view searchTextOf(std::string_view typed) {
    return store::trimBlanks(typed);
}

bool containsText(std::string_view text, std::string_view needle) {
    return containsFolded(util::gbk::foldAsciiCase(text), util::gbk::foldAsciiCase(needle));
}

void PersonSearch::learn(const store::IniDocument& document) {
    const auto version = document.value(store::kBaseSection, store::kVersionKey);
    const store::DocumentForm form = store::documentForm(version.value_or(std::string_view()));
    using Fields = std::array<std::string_view, kSearchedKeys.size()>;
    // Scratch space kept between versions: a large document's fresh memory costs more than filling it.
    std::vector<std::pair<std::int32_t, Fields>>& cards = scratchCards_;
    cards.clear();
    cards.reserve(form == store::DocumentForm::Current ? document.sectionCount() : 0);
    if (form == store::DocumentForm::Current) {
        // One walk over the sections' lines, reading them as a read does (the first section of an index, the first
        // line of a key), without indexing every section's keys as single reads would.
        std::vector<bool> seen(static_cast<std::size_t>(store::kLastIndex) + 1, false);
        document.forEachSection([&](std::string_view name, std::string_view body) {
            const std::int32_t n = cardIndexOfSection(name);
            if (n == 0 || seen[static_cast<std::size_t>(n)])
                return;
            seen[static_cast<std::size_t>(n)] = true;
            Fields fields;
            std::array<bool, kSearchedKeys.size()> found{};
            std::size_t missing = kSearchedKeys.size();
            for (std::size_t pos = 0; pos < body.size() && missing > 0;) {
                const std::size_t end = lineEndOf(body, pos);
                const std::string_view line = body.substr(pos, end - pos);
                pos = end + store::grammar::breakLength(body, end);
                // Only a line starting with a blank or the first letter of a searched key can be one of them.
                const char first = line.empty() ? '\0' : static_cast<char>(line[0] | 0x20);
                if (first != 'u' && first != 'n' && first != 's' && first != 'a' && first != 'm' &&
                    !store::grammar::isBlank(line.empty() ? '\0' : line[0]))
                    continue;
                const store::grammar::ParsedLine parsed = store::grammar::parseLine(line);
                if (!parsed.isKey)
                    continue;
                const std::string_view key = line.substr(parsed.keyStart, parsed.keyLength);
                for (std::size_t f = 0; f < kSearchedKeys.size(); ++f) {
                    if (!found[f] && util::gbk::equalsIgnoringAsciiCase(key, store::keyName(kSearchedKeys[f]))) {
                        found[f] = true;
                        --missing;
                        fields[f] = line.substr(parsed.valueStart, parsed.valueLength);
                        break;
                    }
                }
            }
            cards.emplace_back(n, fields);
        });
    } else {
        for (std::int32_t n : cardIndices(document)) {
            Fields fields;
            for (std::size_t f = 0; f < kSearchedKeys.size(); ++f) {
                const auto value =
                    document.value(store::kOldSection, store::personKey(store::keyName(kSearchedKeys[f]), n, form));
                fields[f] = value.value_or(std::string_view());
            }
            cards.emplace_back(n, fields);
        }
    }
    // Newest first: sections usually stand in ascending order, so the order is sorted rather than the cards.
    std::vector<std::uint32_t>& order = scratchOrder_;
    order.resize(cards.size());
    std::size_t length = 0;
    for (std::size_t i = 0; i < cards.size(); ++i) {
        order[i] = static_cast<std::uint32_t>(cards.size() - 1 - i);
        for (std::string_view value : cards[i].second)
            length += value.size();
    }
    std::sort(order.begin(), order.end(),
              [&](std::uint32_t a, std::uint32_t b) { return cards[a].first > cards[b].first; });
    indices_.clear();
    indices_.reserve(cards.size());
    folded_.clear();
    folded_.reserve(length);
    fieldStarts_.clear();
    fieldStarts_.reserve(cards.size() * kSearchedKeys.size() + 1);
    for (std::uint32_t i : order) {
        const auto& [n, fields] = cards[i];
        indices_.push_back(n);
        for (std::string_view value : fields) {
            fieldStarts_.push_back(static_cast<std::uint32_t>(folded_.size()));
            foldInto(folded_, value);
        }
    }
    fieldStarts_.push_back(static_cast<std::uint32_t>(folded_.size()));
    cards.clear();  // its texts point into this version of the document
}

SearchResult PersonSearch::find(CChkUid& store, std::string_view text) {
    store::IniFile::ReadScope scope(store.file());
    SearchResult result;
    const std::string_view typed = searchTextOf(text);
    if (typed.empty()) {
        result.persons = readPersonList(store);
        result.matches =
            std::max<std::int32_t>(0, util::readCInt(store.GetMyKey(store::kBaseSection, store::kLastIndexKey)));
        return result;
    }
    std::shared_ptr<const store::IniDocument> document = store.file().document();
    if (document_.lock() != document) {
        learn(*document);
        document_ = document;
    }
    const std::string needle = util::gbk::foldAsciiCase(typed);
    const store::DocumentForm form = store::documentForm(store.GetMyKey(store::kBaseSection, store::kVersionKey));
    // One pass over all cards' texts: each hit is placed in its field, and a card found skips to the next card.
    const std::string_view all(folded_);
    const std::size_t fields = kSearchedKeys.size();
    for (std::size_t hit = all.find(needle); hit != std::string_view::npos;) {
        const auto next = std::upper_bound(fieldStarts_.begin(), fieldStarts_.end(), static_cast<std::uint32_t>(hit));
        const auto field = static_cast<std::size_t>(next - fieldStarts_.begin()) - 1;
        const std::size_t start = fieldStarts_[field];
        const std::size_t end = fieldStarts_[field + 1];
        const bool found =
            hit + needle.size() <= end && onBoundaries(all.substr(start, end - start), hit - start, needle.size());
        if (!found) {
            hit = all.find(needle, hit + 1);
            continue;
        }
        const std::size_t card = field / fields;
        ++result.matches;
        if (static_cast<int>(result.persons.size()) < kListLimit)
            result.persons.push_back(store::readPerson(store, indices_[card], form));
        hit = all.find(needle, fieldStarts_[(card + 1) * fields]);
    }
    return result;
}

}  // namespace records
