// The look-up on a small atlas of fourteen places written by scripts/make-atlas from the real source, so that it runs
// in every build: names in either script and any case, prefixes, homonyms, narrowing, and a missing atlas.
#include "place/atlas.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "scratch.h"
#include "util/mvs.h"

namespace place {
namespace {

Atlas sampleAtlas() {
    return Atlas::fromBytes(testing_support::readBytes(QELVO_TEST_DATA_DIR "/sample_atlas.dat"));
}

std::vector<std::uint32_t> idsOf(const PlaceLookup& lookup) {
    std::vector<std::uint32_t> ids;
    for (const PlaceMatch& match : lookup.matches)
        ids.push_back(match.place.geonameId);
    return ids;
}

constexpr std::uint32_t kShantou = 1795940, kFoshan = 1811103, kFoshanYunnan = 6643959, kNewYork = 5128581,
                        kZurich = 2657896, kSaoPaulo = 3448439, kSpringfieldIllinois = 4250542,
                        kSpringfieldMassachusetts = 4951788, kBeijing = 1816670, kTaipei = 1668341, kHongKong = 1819729,
                        kUrumqi = 1529102;

TEST(AtlasLookup, FindsAPlaceByEachOfItsNames) {
    Atlas atlas = sampleAtlas();
    ASSERT_TRUE(atlas.isOpen()) << atlas.problem();
    const struct {
        const char* text;
        std::uint32_t first;
    } cases[] = {
        {"北京", kBeijing},       {"北京市", kBeijing},     {"汕头", kShantou},          {"汕頭", kShantou},
        {"汕头市", kShantou},     {"台北", kTaipei},        {"臺北", kTaipei},           {"香港", kHongKong},
        {"乌鲁木齐", kUrumqi},    {"烏魯木齊市", kUrumqi},  {"纽约", kNewYork},          {"紐約", kNewYork},
        {"纽约市", kNewYork},     {"Zürich", kZurich},      {"zurich", kZurich},         {"ZURICH", kZurich},
        {"Zuerich", kZurich},     {"New York", kNewYork},   {"new york city", kNewYork}, {"NEW-YORK", kNewYork},
        {"sao paulo", kSaoPaulo}, {"Sao Paulo", kSaoPaulo}, {"ｚｕｒｉｃｈ", kZurich},   {"  北京  ", kBeijing},
        {"ürümqi", kUrumqi},      {"urumqi", kUrumqi},      {"Peking", kBeijing},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const PlaceLookup lookup = atlas.find(c.text, 10);
        EXPECT_TRUE(lookup.problem.empty());
        ASSERT_FALSE(lookup.matches.empty());
        EXPECT_EQ(lookup.matches[0].place.geonameId, c.first);
        EXPECT_TRUE(lookup.matches[0].exact);
    }
}

TEST(AtlasLookup, FindsNamesByTheirBeginningAfterTheExactOnesAndEachPlaceOnce) {
    Atlas atlas = sampleAtlas();
    const struct {
        const char* text;
        std::vector<std::uint32_t> ids;
    } cases[] = {
        {"汕", {kShantou}},
        {"乌鲁", {kUrumqi}},
        {"zur", {kZurich}},
        {"Zü", {kZurich}},
        {"spring", {kSpringfieldMassachusetts, kSpringfieldIllinois}},
        {"new y", {kNewYork}},
        // "New York" is a name of the city: it comes first, before the bigger places whose names merely begin so.
        {"sa", {kSaoPaulo, kShantou}},
        {"佛", {kFoshan, kFoshanYunnan}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const PlaceLookup lookup = atlas.find(c.text, 10);
        EXPECT_EQ(idsOf(lookup), c.ids);
        for (const PlaceMatch& match : lookup.matches)
            EXPECT_FALSE(match.exact);
    }
}

TEST(AtlasLookup, KeepsToTheLimitWithTheMostPopulousFirst) {
    Atlas atlas = sampleAtlas();
    const PlaceLookup all = atlas.find("s", 100);
    ASSERT_GE(all.matches.size(), 4u);
    for (std::size_t i = 1; i < all.matches.size(); ++i)
        EXPECT_GE(all.matches[i - 1].place.population, all.matches[i].place.population);
    for (std::size_t limit : {0u, 1u, 2u, 3u}) {
        SCOPED_TRACE(limit);
        const PlaceLookup some = atlas.find("s", limit);
        ASSERT_EQ(some.matches.size(), limit);
        for (std::size_t i = 0; i < limit; ++i)
            EXPECT_EQ(some.matches[i].place.geonameId, all.matches[i].place.geonameId);
    }
}

TEST(AtlasLookup, TellsPlacesOfOneNameApart) {
    Atlas atlas = sampleAtlas();
    const struct {
        const char* text;
        std::vector<std::string> descriptions;
    } cases[] = {
        {"佛山", {"广东 中国", "云南 中国"}},
        {"Springfield", {"MA 美国", "IL 美国"}},
        // Two of one name in one state: the coordinates as well.
        {"Franklin", {"北纬35.18° 西经83.38° NC 美国", "北纬35.72° 西经80.50° NC 美国"}},
        {"Zürich", {"北纬47.37° 东经8.55° 瑞士"}},
        {"台北", {"北纬25.05° 东经121.53° 台湾"}},
        {"sao paulo", {"南纬23.55° 西经46.64° 巴西"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const PlaceLookup lookup = atlas.find(c.text, 10);
        std::vector<std::string> descriptions;
        for (const PlaceMatch& match : lookup.matches)
            descriptions.push_back(match.description);
        EXPECT_EQ(descriptions, c.descriptions);
    }
}

TEST(AtlasLookup, KeepsToACountryOrProvinceNamedAsAWord) {
    Atlas atlas = sampleAtlas();
    const struct {
        const char* text;
        std::vector<std::uint32_t> ids;
    } cases[] = {
        {"美国 纽约", {kNewYork}},
        {"纽约 美国", {kNewYork}},
        {"美國　紐約", {kNewYork}},  // traditional characters, the ideographic space
        {"中国 汕头", {kShantou}},
        {"中国 纽约", {}},
        {"美国 spring", {kSpringfieldMassachusetts, kSpringfieldIllinois}},
        {"瑞士 spring", {}},
        {"云南 佛山", {kFoshanYunnan}},
        {"广东省 佛山", {kFoshan}},
        {"中国 北京", {kBeijing}},   // the province is the name when nothing else is left
        {"香港 香港", {kHongKong}},  // the region, then its city
        {"冰岛 北京", {}},           // a country of the table without places here
        {"中国", {}},                // a country alone is a name, and no place is called so
        {"刚果(金) 北京", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(idsOf(atlas.find(c.text, 10)), c.ids);
    }
}

TEST(AtlasLookup, FindsNothingForTextsNamingNoPlace) {
    Atlas atlas = sampleAtlas();
    const char* texts[] = {
        "",  "   ",  "上海",     "Paris",         "zz", "纽约x", "São Paulo" /* ã is not in GBK */, "'",
        "-", "\xD6", "\x81\x30", "北京 上海 广州"};
    for (const char* text : texts) {
        SCOPED_TRACE(text);
        const PlaceLookup lookup = atlas.find(text, 10);
        EXPECT_TRUE(lookup.matches.empty());
        EXPECT_TRUE(lookup.problem.empty());
    }
}

TEST(AtlasLookup, GivesEachPlaceWithItsData) {
    Atlas atlas = sampleAtlas();
    const PlaceLookup lookup = atlas.find("汕头", 1);
    ASSERT_EQ(lookup.matches.size(), 1u);
    const Place& shantou = lookup.matches[0].place;
    EXPECT_EQ(shantou.name, "汕头");
    EXPECT_EQ(shantou.latinName, "Shantou");
    EXPECT_EQ(shantou.latitudeE4, 233681);    // 23.36814 at GeoNames
    EXPECT_EQ(shantou.longitudeE4, 1167148);  // 116.71479
    EXPECT_EQ(shantou.country, "CN");
    EXPECT_EQ(shantou.division, "30");
    EXPECT_EQ(shantou.population, 3838900u);
    EXPECT_EQ(shantou.zone, "Asia/Shanghai");

    const struct {
        std::uint32_t id;
        const char* name;
        const char* latinName;
    } names[] = {
        {kNewYork, "纽约", "New York City"},  // only traditional names at GeoNames: shown simplified
        {kZurich, "苏黎世", "Zürich"},        // ü is one of GBK's pinyin letters
        {kSaoPaulo, "圣保罗", "Sao Paulo"},   // ã is not
        {kUrumqi, "乌鲁木齐", "Urumqi"},      // Ürümqi: Ü is not one of GBK's letters
        {4467128, "Franklin", "Franklin"},    // no Chinese name
    };
    for (const auto& n : names) {
        SCOPED_TRACE(n.latinName);
        const std::optional<Place> place = atlas.placeById(n.id);
        ASSERT_TRUE(place.has_value());
        EXPECT_EQ(place->name, n.name);
        EXPECT_EQ(place->latinName, n.latinName);
    }
    EXPECT_FALSE(atlas.placeById(1).has_value());
}

TEST(AtlasLookup, WithoutAnAtlasSaysSoAndFindsNothing) {
    testing_support::ScratchFolder folder;
    const struct {
        std::filesystem::path file;
        std::string problem;
    } cases[] = {
        {folder / "qelvo-atlas.dat", "没有地点库：找不到 qelvo-atlas.dat"},
        {folder.path(), "地点库 " + folder.path().filename().string() + " 读不出来"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file.string());
        Atlas atlas(c.file);
        const PlaceLookup lookup = atlas.find("北京", 10);
        EXPECT_TRUE(lookup.matches.empty());
        EXPECT_EQ(lookup.problem, c.problem);
        EXPECT_FALSE(atlas.isOpen());
        EXPECT_FALSE(atlas.placeById(kBeijing).has_value());
    }
}

TEST(AtlasLookup, ReadsTheFileOnceOnFirstUse) {
    testing_support::ScratchFolder folder;
    const std::filesystem::path file = folder / "qelvo-atlas.dat";
    testing_support::writeBytes(file, testing_support::readBytes(QELVO_TEST_DATA_DIR "/sample_atlas.dat"));
    Atlas atlas(file);
    std::filesystem::remove(file);  // not read yet: the look-up finds no file
    EXPECT_FALSE(atlas.isOpen());

    testing_support::writeBytes(file, testing_support::readBytes(QELVO_TEST_DATA_DIR "/sample_atlas.dat"));
    Atlas read(file);
    EXPECT_EQ(read.find("北京", 1).matches.size(), 1u);
    std::filesystem::remove(file);  // read already: still there
    EXPECT_EQ(read.find("汕头", 1).matches.size(), 1u);
}

TEST(AtlasLocation, LooksBesideTheProgramThenInTheInstalledDataFolder) {
    testing_support::ScratchFolder folder;
    const std::filesystem::path bin = folder / "bin";
    const std::filesystem::path share = folder / "share" / "qelvo";
    std::filesystem::create_directories(bin);
    std::filesystem::create_directories(share);
    const std::vector<std::filesystem::path> candidates = atlasCandidates(bin);
    ASSERT_GE(candidates.size(), 2u);
    EXPECT_EQ(candidates[0], bin / "qelvo-atlas.dat");
    EXPECT_EQ(candidates[1], (share / "qelvo-atlas.dat").lexically_normal());
    if (!std::filesystem::exists(candidates.back())) {
        EXPECT_EQ(Atlas::locate(bin), candidates[0]);  // none there: the place to put one
    }

    const std::vector<std::filesystem::path> here = atlasCandidates(CMvs().getAppPath(true));
    EXPECT_NE(std::find(here.begin(), here.end(), Atlas::forThisProgram().path()), here.end());
    EXPECT_EQ(Atlas(bin / "qelvo-atlas.dat").path(), bin / "qelvo-atlas.dat");

    testing_support::writeBytes(share / "qelvo-atlas.dat", "x");
    EXPECT_EQ(Atlas::locate(bin), candidates[1]);
    testing_support::writeBytes(bin / "qelvo-atlas.dat", "x");
    EXPECT_EQ(Atlas::locate(bin), candidates[0]);
}

}  // namespace
}  // namespace place
