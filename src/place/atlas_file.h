#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The place atlas file (qelvo-atlas.dat, written by scripts/make-atlas, whose opening comment describes the format)
// read from its bytes: checked whole before anything is handed out, so that every offset it gives lies inside the
// file; a file that is short, damaged or of another format is refused with the reason. Texts are GBK.
namespace place {

// One place of the atlas. The texts point into the atlas that gave the place and live as long as it does.
struct Place {
    std::uint32_t geonameId = 0;   // the place's number at GeoNames, stable across versions of the atlas
    std::string_view name;         // the Chinese name (simplified) where there is one, else the Latin name
    std::string_view latinName;    // the Latin name: as GeoNames writes it where GBK holds it, else in ASCII
    std::int32_t latitudeE4 = 0;   // degrees north * 10^4 (south negative)
    std::int32_t longitudeE4 = 0;  // degrees east * 10^4 (west negative)
    std::string_view country;      // ISO 3166 code, two capitals ("CN"; GeoNames' "XK" for Kosovo)
    std::string_view division;     // GeoNames' code of the first-level division ("30"; "NY"); may be empty
    std::uint32_t population = 0;
    std::string_view zone;  // IANA time-zone name ("Asia/Shanghai")

    double latitude() const { return latitudeE4 / 1e4; }
    double longitude() const { return longitudeE4 / 1e4; }
};

class AtlasFile {
  public:
    // The checked file, or nothing and why not (GBK, for the user).
    struct Read;
    static Read read(std::string bytes);

    std::string_view description() const;  // the file's opening text: what it is and where it comes from

    std::size_t placeCount() const { return placeCount_; }
    Place place(std::size_t index) const;            // index < placeCount(); places with more inhabitants come first
    std::uint32_t placeId(std::size_t index) const;  // place(index).geonameId, without the rest

    // The search keys in byte order, each naming one place (a place has several keys, a key may name several places).
    std::size_t keyCount() const { return keyCount_; }
    std::string_view key(std::size_t index) const;
    std::uint32_t keyPlace(std::size_t index) const;

    // Countries as indices into the file's list of ISO codes, so that a narrowed search reads one byte per place.
    std::optional<std::uint8_t> countryIndex(std::string_view code) const;
    std::uint8_t placeCountry(std::size_t index) const { return placeCountries_[index]; }

    std::size_t zoneCount() const { return zoneCount_; }

    // The text as the keys are written: ASCII letters in lower case, diacritics and full stops dropped, traditional
    // characters simplified, each run of blanks and other punctuation one space, none at either end.
    std::string fold(std::string_view text) const;

  private:
    AtlasFile() = default;
    std::string_view poolText(std::uint32_t offset) const;
    const unsigned char* at(std::size_t offset) const;
    std::string check();

    std::string bytes_;
    std::size_t placeCount_ = 0, keyCount_ = 0, zoneCount_ = 0, countryCount_ = 0, foldCount_ = 0;
    std::size_t places_ = 0, keys_ = 0, zones_ = 0, countries_ = 0, folds_ = 0, pool_ = 0, poolSize_ = 0;
    std::vector<std::uint8_t> placeCountries_;
};

struct AtlasFile::Read {
    std::optional<AtlasFile> file;
    std::string problem;  // empty when the file was read
};

// The checksum the atlas ends with, of bytes whose length is a multiple of 8 (see scripts/make-atlas).
std::uint64_t atlasChecksum(std::string_view bytes);

}  // namespace place
