#include "place/atlas.h"

#include <algorithm>
#include <fstream>
#include <new>
#include <system_error>
#include <tuple>

#include "place/china_divisions.h"
#include "place/country_codes.h"
#include "place/place_description.h"
#include "util/gbk.h"
#include "util/mvs.h"
#include "util/text_codec.h"

// The keys are sorted, so the keys that begin with the typed text are one run, and those equal to it the run's
// beginning; the places are sorted by their inhabitants, so the best matches are the smallest place numbers of the
// run. A look-up is therefore two binary searches and one walk over the run that keeps the `limit` smallest numbers,
// reading only the key entries (and, when narrowed, one byte per place): no place record is touched until the few
// matches are built. A one-letter text's run is a tenth of the keys at most.
namespace place {
namespace {

constexpr std::uintmax_t kLargestFile = std::uintmax_t{1} << 30;

bool isBlankAt(std::string_view text, std::size_t pos, std::size_t& length) {
    if (text[pos] == ' ' || text[pos] == '\t') {
        length = 1;
        return true;
    }
    if (text.substr(pos, 2) == "\xA1\xA1") {  // the ideographic space
        length = 2;
        return true;
    }
    length = util::gbk::charLength(text, pos);
    return false;
}

// The words of a text, split at blanks (ASCII or ideographic) between whole characters.
std::vector<std::string_view> wordsOf(std::string_view text) {
    std::vector<std::string_view> words;
    std::size_t start = 0;
    for (std::size_t pos = 0; pos < text.size();) {
        std::size_t length = 0;
        if (isBlankAt(text, pos, length)) {
            if (pos > start)
                words.push_back(text.substr(start, pos - start));
            start = pos + length;
        }
        pos += length;
    }
    if (start < text.size())
        words.push_back(text.substr(start));
    return words;
}

// What a look-up keeps to: the name to find and where.
struct Query {
    std::string name;  // folded
    std::string_view country;
    std::string_view division;
};

Query parseQuery(const AtlasFile& atlas, std::string_view text) {
    struct Word {
        std::string folded;
        std::string_view country, division;
    };
    std::vector<Word> words;
    for (std::string_view raw : wordsOf(text)) {
        Word word{atlas.fold(raw), countryCodeForName(raw), chinaDivisionCode(raw)};
        if (word.country.empty())
            word.country = countryCodeForName(word.folded);
        if (word.division.empty())
            word.division = chinaDivisionCode(word.folded);
        if (!word.folded.empty())
            words.push_back(std::move(word));
    }
    // A word narrows only while another one is left to be the name: "中国" alone is a name, "中国 北京" is 北京 in
    // China.
    Query query;
    for (std::size_t i = 0; i < words.size(); ++i) {
        Word& word = words[i];
        const bool nameLeft = i + 1 < words.size() || !query.name.empty();
        if (nameLeft && !word.country.empty() && query.country.empty()) {
            query.country = word.country;
        } else if (nameLeft && !word.division.empty() && query.division.empty()) {
            query.division = word.division;
        } else {
            if (!query.name.empty())
                query.name += ' ';
            query.name += word.folded;
        }
    }
    if (!query.division.empty() && query.country.empty())
        query.country = "CN";
    return query;
}

// The first key index in [low, high) for which before(key) is false (before holds for a leading run).
template <typename Before>
std::size_t partitionPoint(const AtlasFile& atlas, std::size_t low, std::size_t high, Before before) {
    while (low < high) {
        const std::size_t middle = low + (high - low) / 2;
        if (before(atlas.key(middle)))
            low = middle + 1;
        else
            high = middle;
    }
    return low;
}

}  // namespace

Atlas::Atlas(std::filesystem::path file) : path_(std::move(file)) {}

Atlas Atlas::fromBytes(std::string bytes) {
    Atlas atlas;
    atlas.tried_ = true;
    try {
        AtlasFile::Read read = AtlasFile::read(std::move(bytes));
        atlas.file_ = std::move(read.file);
        if (!atlas.file_)
            atlas.problem_ = "地点库不能用：" + read.problem;
    } catch (const std::bad_alloc&) {
        atlas.problem_ = "内存不足，读不了地点库";
    }
    return atlas;
}

Atlas Atlas::forThisProgram() {
    return Atlas(locate(CMvs().getAppPath(true)));
}

std::filesystem::path Atlas::locate(const std::filesystem::path& programFolder) {
    const std::vector<std::filesystem::path> candidates = atlasCandidates(programFolder);
    for (const std::filesystem::path& candidate : candidates) {
        std::error_code error;
        if (std::filesystem::exists(candidate, error))
            return candidate;
    }
    return candidates.front();
}

void Atlas::open() {
    if (tried_)
        return;
    tried_ = true;
    const std::u8string utf8 = path_.filename().u8string();
    const std::string name =
        util::utf8ToGbk(std::string_view(reinterpret_cast<const char*>(utf8.data()), utf8.size()), true).value_or("?");
    std::error_code error;
    if (!std::filesystem::exists(path_, error)) {
        problem_ = "没有地点库：找不到 " + name;
        return;
    }
    const std::uintmax_t size = std::filesystem::file_size(path_, error);
    if (error) {
        problem_ = "地点库 " + name + " 读不出来";
        return;
    }
    if (size > kLargestFile) {
        problem_ = "地点库 " + name + " 不能用：文件过大，不是地点库";
        return;
    }
    try {
        std::string bytes(static_cast<std::size_t>(size), '\0');
        std::ifstream in(path_, std::ios::binary);
        if (!in.read(bytes.data(), static_cast<std::streamsize>(bytes.size())) || in.peek() != EOF) {
            problem_ = "地点库 " + name + " 读不出来";
            return;
        }
        AtlasFile::Read read = AtlasFile::read(std::move(bytes));
        file_ = std::move(read.file);
        if (!file_)
            problem_ = "地点库 " + name + " 不能用：" + read.problem;
    } catch (const std::bad_alloc&) {
        problem_ = "内存不足，读不了地点库 " + name;
    }
}

bool Atlas::isOpen() {
    open();
    return file_.has_value();
}

const std::string& Atlas::problem() {
    open();
    return problem_;
}

const AtlasFile* Atlas::file() {
    open();
    return file_ ? &*file_ : nullptr;
}

PlaceLookup Atlas::find(std::string_view text, std::size_t limit) {
    PlaceLookup lookup;
    open();
    if (!file_) {
        lookup.problem = problem_;
        return lookup;
    }
    const AtlasFile& atlas = *file_;
    const Query query = parseQuery(atlas, text);
    if (limit == 0 || query.name.empty())
        return lookup;
    std::optional<std::uint8_t> country;
    if (!query.country.empty()) {
        country = atlas.countryIndex(query.country);
        if (!country)
            return lookup;
    }
    const auto wanted = [&](std::uint32_t place) {
        return (!country || atlas.placeCountry(place) == *country) &&
               (query.division.empty() || atlas.place(place).division == query.division);
    };

    const std::string_view name = query.name;
    const std::size_t first = partitionPoint(atlas, 0, atlas.keyCount(), [&](std::string_view k) { return k < name; });
    const std::size_t exactEnd =
        partitionPoint(atlas, first, atlas.keyCount(), [&](std::string_view k) { return k == name; });
    const std::size_t end = partitionPoint(atlas, exactEnd, atlas.keyCount(),
                                           [&](std::string_view k) { return k.substr(0, name.size()) == name; });

    std::vector<std::uint32_t> exact;
    for (std::size_t i = first; i < exactEnd && exact.size() < limit; ++i)
        if (wanted(atlas.keyPlace(i)))
            exact.push_back(atlas.keyPlace(i));
    // The run of equal keys lists each place once, in order: exact is sorted.
    std::vector<std::uint32_t> best;  // a max-heap of the smallest place numbers seen
    const std::size_t room = limit - exact.size();
    for (std::size_t i = exactEnd; i < end && room > 0; ++i) {
        const std::uint32_t place = atlas.keyPlace(i);
        if (best.size() == room && place >= best.front())
            continue;
        if (!wanted(place) || std::binary_search(exact.begin(), exact.end(), place) ||
            std::find(best.begin(), best.end(), place) != best.end())
            continue;
        best.push_back(place);
        std::push_heap(best.begin(), best.end());
        if (best.size() > room) {
            std::pop_heap(best.begin(), best.end());
            best.pop_back();
        }
    }
    std::sort(best.begin(), best.end());

    for (const std::uint32_t place : exact)
        lookup.matches.push_back({atlas.place(place), {}, true});
    for (const std::uint32_t place : best)
        lookup.matches.push_back({atlas.place(place), {}, false});
    for (PlaceMatch& match : lookup.matches)
        match.description = describePlace(match.place);
    // Two places of one name in one province or state are told apart by their coordinates as well.
    std::vector<std::size_t> order(lookup.matches.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    const auto sameAs = [&](std::size_t a, std::size_t b) {
        return lookup.matches[a].place.name == lookup.matches[b].place.name &&
               lookup.matches[a].description == lookup.matches[b].description;
    };
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        const PlaceMatch& x = lookup.matches[a];
        const PlaceMatch& y = lookup.matches[b];
        return std::tie(x.place.name, x.description) < std::tie(y.place.name, y.description);
    });
    std::vector<bool> alike(order.size(), false);
    for (std::size_t i = 1; i < order.size(); ++i)
        if (sameAs(order[i - 1], order[i]))
            alike[order[i - 1]] = alike[order[i]] = true;
    for (std::size_t i = 0; i < lookup.matches.size(); ++i) {
        PlaceMatch& match = lookup.matches[i];
        const std::string coordinates = coordinatesText(match.place);
        if (alike[i] && match.description.find(coordinates) == std::string::npos)
            match.description = coordinates + " " + match.description;
    }
    return lookup;
}

std::optional<Place> Atlas::placeById(std::uint32_t geonameId) {
    open();
    if (!file_)
        return std::nullopt;
    for (std::size_t i = 0; i < file_->placeCount(); ++i)
        if (file_->placeId(i) == geonameId)
            return file_->place(i);
    return std::nullopt;
}

std::vector<std::filesystem::path> atlasCandidates(const std::filesystem::path& programFolder) {
    std::vector<std::filesystem::path> candidates = {
        programFolder / kAtlasFileName,
        (programFolder / ".." / "share" / "qelvo" / kAtlasFileName).lexically_normal(),
    };
#ifndef _WIN32
    const std::filesystem::path installed = std::filesystem::path("/usr/share/qelvo") / kAtlasFileName;
    if (std::find(candidates.begin(), candidates.end(), installed) == candidates.end())
        candidates.push_back(installed);
#endif
    return candidates;
}

}  // namespace place
