// Fuzzes the place atlas reader: any bytes are refused with a reason or read, never a crash; an atlas read gives every
// place's texts and answers look-ups with at most the matches asked for, the exact names first, each with a
// description and found again by its number. The checksum is made to fit first, so that the damage reaches the checks
// of the tables: it is the damage of a file written wrong, which no checksum catches.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "place/atlas.h"

namespace {

volatile std::size_t gSink;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    if (bytes.size() >= 8) {
        bytes.resize((bytes.size() + 7) / 8 * 8, '\0');
        const std::uint64_t sum = place::atlasChecksum(std::string_view(bytes).substr(0, bytes.size() - 8));
        for (std::size_t i = 0; i < 8; ++i)
            bytes[bytes.size() - 8 + i] = static_cast<char>(sum >> (8 * i));
    }
    place::Atlas atlas = place::Atlas::fromBytes(bytes);
    if (!atlas.isOpen()) {
        if (atlas.problem().empty())
            std::abort();
        return 0;
    }
    const place::AtlasFile& file = *atlas.file();
    std::size_t length = 0;
    for (std::size_t i = 0; i < file.placeCount(); ++i) {
        const place::Place p = file.place(i);
        length += p.name.size() + p.latinName.size() + p.zone.size() + p.division.size() + p.country.size();
    }
    gSink = length;
    const std::string middleKey = file.keyCount() > 0 ? std::string(file.key(file.keyCount() / 2)) : "x";
    for (const std::string& text : {std::string("s"), std::string("北京"), std::string("美国 s"),
                                    std::string("中国 北京"), std::string(), middleKey, file.fold(middleKey)}) {
        const place::PlaceLookup lookup = atlas.find(text, 5);
        if (lookup.matches.size() > 5 || !lookup.problem.empty())
            std::abort();
        bool exactPart = true;
        for (const place::PlaceMatch& match : lookup.matches) {
            if (match.exact && !exactPart)
                std::abort();
            exactPart = match.exact;
            if (!atlas.placeById(match.place.geonameId) || match.description.empty())
                std::abort();
        }
    }
    return 0;
}
