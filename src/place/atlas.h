#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "place/atlas_file.h"

// The place atlas and its look-up as the user types: a place by its Chinese or Latin name or the beginning of one,
// narrowed by a country or a Chinese province named as a word of the text. Texts are GBK. One thread at a time.
namespace place {

struct PlaceMatch {
    Place place;
    std::string description;  // what tells it from places of the same name: "广东 中国", "NY 美国", ...
    bool exact = false;       // the text (less a country or province) is one of the place's names, not its beginning
};

struct PlaceLookup {
    std::vector<PlaceMatch> matches;  // names that are the text first, then those that begin with it; within each,
                                      // more inhabitants first; each place once
    std::string problem;              // why there is no atlas to search (for the user); empty when there is one
};

class Atlas {
  public:
    // The atlas in file, read on first use.
    explicit Atlas(std::filesystem::path file);
    // An atlas of the given bytes, read now (for tests and for a file already in memory).
    static Atlas fromBytes(std::string bytes);

    // The atlas of the running program: Atlas(locate(the program's folder)).
    static Atlas forThisProgram();

    // The atlas file the program uses: the first of atlasCandidates(programFolder) that exists, else the first.
    static std::filesystem::path locate(const std::filesystem::path& programFolder);

    // The file this atlas is read from (empty for one made from bytes).
    const std::filesystem::path& path() const { return path_; }

    // Whether the atlas could be read; problem() says why not. Both read the file on their first call.
    bool isOpen();
    const std::string& problem();

    // The places whose names are the text or begin with it, at most limit of them. A word of the text that is a
    // country's or region's name ("美国 纽约", "纽约 美国") or a Chinese province's ("云南 佛山") keeps to places
    // there. A text naming nothing the atlas knows gives no match; without an atlas, no match and the problem.
    PlaceLookup find(std::string_view text, std::size_t limit);

    // The place with GeoNames' number, as a card may keep it.
    std::optional<Place> placeById(std::uint32_t geonameId);

    // The atlas itself once it could be read; nullptr otherwise.
    const AtlasFile* file();

  private:
    Atlas() = default;
    void open();

    std::filesystem::path path_;
    bool tried_ = false;
    std::optional<AtlasFile> file_;
    std::string problem_;
};

// Where the program looks for the atlas, in order: beside the program, then the data folder of an installation
// beside the program's folder (../share/qelvo), then on POSIX systems /usr/share/qelvo.
std::vector<std::filesystem::path> atlasCandidates(const std::filesystem::path& programFolder);

constexpr const char* kAtlasFileName = "qelvo-atlas.dat";

}  // namespace place
