// The look-up on the build's whole atlas (all of GeoNames' places of 500 or more inhabitants): the places users type
// most, homonyms, narrowing, prefixes, China's provinces, and every place found again by its own names. Skipped when
// the build has no atlas (its source is not fetched).
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "place/atlas.h"

namespace place {
namespace {

class FullAtlas : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        if (std::string(QELVO_ATLAS_FILE).empty())
            return;
        atlas_ = new Atlas(QELVO_ATLAS_FILE);
    }
    static void TearDownTestSuite() {
        delete atlas_;
        atlas_ = nullptr;
    }
    void SetUp() override {
        if (atlas_ == nullptr)
            GTEST_SKIP() << "skipped: this build has no place atlas (scripts/install-deps fetches its source)";
        ASSERT_TRUE(atlas_->isOpen()) << atlas_->problem();
    }
    static Atlas* atlas_;
};

Atlas* FullAtlas::atlas_ = nullptr;

TEST_F(FullAtlas, FindsThePlacesUsersTypeFirst) {
    const struct {
        const char* text;
        std::uint32_t id;
        const char* name;
        const char* description;
    } cases[] = {
        {"北京", 1816670, "北京", "北京 中国"},
        {"北京市", 1816670, "北京", "北京 中国"},
        {"汕头", 1795940, "汕头", "广东 中国"},
        {"台北", 1668341, "台北", "北纬25.05° 东经121.53° 台湾"},
        {"香港", 1819729, "香港", "北纬22.28° 东经114.17° 香港"},
        {"乌鲁木齐", 1529102, "乌鲁木齐", "新疆 中国"},
        {"纽约", 5128581, "纽约", "NY 美国"},
        {"紐約", 5128581, "纽约", "NY 美国"},
        {"Zürich", 2657896, "苏黎世", "北纬47.37° 东经8.55° 瑞士"},
        {"zurich", 2657896, "苏黎世", "北纬47.37° 东经8.55° 瑞士"},
        {"New York", 5128581, "纽约", "NY 美国"},
        {"sao paulo", 3448439, "圣保罗", "南纬23.55° 西经46.64° 巴西"},
        {"上海", 1796236, "上海", "上海 中国"},
        {"Tokyo", 1850147, "东京", "北纬35.69° 东经139.69° 日本"},
        {"东京", 1850147, "东京", "北纬35.69° 东经139.69° 日本"},
        // 伊斯坦堡 (Taiwan's name) and 伊斯坦布尔 are one each: the one in simplified characters is shown.
        {"istanbul", 745044, "伊斯坦布尔", "北纬41.01° 东经28.95° 土耳其"},
        {"伊斯坦堡", 745044, "伊斯坦布尔", "北纬41.01° 东经28.95° 土耳其"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const PlaceLookup lookup = atlas_->find(c.text, 10);
        ASSERT_FALSE(lookup.matches.empty());
        const PlaceMatch& first = lookup.matches[0];
        EXPECT_EQ(first.place.geonameId, c.id);
        EXPECT_EQ(first.place.name, c.name);
        EXPECT_EQ(first.description, c.description);
        EXPECT_TRUE(first.exact);
    }
}

TEST_F(FullAtlas, TellsHomonymsApart) {
    const PlaceLookup foshan = atlas_->find("佛山", 10);
    std::vector<std::string> exact;
    for (const PlaceMatch& match : foshan.matches)
        if (match.exact)
            exact.push_back(match.description);
    EXPECT_EQ(exact, (std::vector<std::string>{"广东 中国", "云南 中国"}));

    const PlaceLookup springfield = atlas_->find("Springfield", 50);
    ASSERT_GE(springfield.matches.size(), 20u);
    EXPECT_EQ(springfield.matches[0].description, "MO 美国");  // the largest: 166,810 inhabitants
    // Every match shows differently: by its name (Springfield Gardens, NY, is also called Springfield) or by where.
    std::set<std::string> seen;
    for (const PlaceMatch& match : springfield.matches) {
        SCOPED_TRACE(match.description);
        EXPECT_TRUE(seen.insert(std::string(match.place.name) + " " + match.description).second);
    }
}

TEST_F(FullAtlas, KeepsToTheNamedCountry) {
    const struct {
        const char* text;
        const char* country;
        std::uint32_t first;
    } cases[] = {
        {"美国 纽约", "US", 5128581},
        {"中国 汕头", "CN", 1795940},
        {"美国 london", "US", 0},
        {"英国 london", "GB", 2643743},
        {"加拿大 london", "CA", 6058560},
        {"云南 佛山", "CN", 6643959},
        {"美国 s", "US", 0},
        {"中国 s", "CN", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const PlaceLookup lookup = atlas_->find(c.text, 20);
        ASSERT_FALSE(lookup.matches.empty());
        if (c.first != 0) {
            EXPECT_EQ(lookup.matches[0].place.geonameId, c.first);
        }
        for (const PlaceMatch& match : lookup.matches)
            EXPECT_EQ(match.place.country, c.country);
    }
}

TEST_F(FullAtlas, FindsNothingWhereNoPlaceIsNamedSo) {
    for (const char* text : {"星盘卡片", "xqzv", "中国 纽约", "Qelvo", "北京 上海"}) {
        SCOPED_TRACE(text);
        EXPECT_TRUE(atlas_->find(text, 10).matches.empty());
    }
}

TEST_F(FullAtlas, OrdersEveryPrefixByExactnessThenInhabitants) {
    for (const char* text :
         {"a", "s", "z", "sa", "san", "sant", "new", "springf", "北", "新", "圣", "乌鲁", "美国 s"}) {
        SCOPED_TRACE(text);
        const PlaceLookup lookup = atlas_->find(text, 20);
        ASSERT_FALSE(lookup.matches.empty());
        ASSERT_LE(lookup.matches.size(), 20u);
        std::set<std::uint32_t> ids;
        for (std::size_t i = 0; i < lookup.matches.size(); ++i) {
            EXPECT_TRUE(ids.insert(lookup.matches[i].place.geonameId).second);
            if (i == 0)
                continue;
            EXPECT_GE(lookup.matches[i - 1].exact, lookup.matches[i].exact);
            if (lookup.matches[i - 1].exact == lookup.matches[i].exact) {
                EXPECT_GE(lookup.matches[i - 1].place.population, lookup.matches[i].place.population);
            }
        }
    }
}

TEST_F(FullAtlas, NamesEveryChineseProvinceByItsSeat) {
    const struct {
        const char* seat;
        const char* province;
    } cases[] = {
        {"合肥", "安徽"}, {"杭州", "浙江"}, {"南昌", "江西"},     {"南京", "江苏"},       {"长春", "吉林"},
        {"西宁", "青海"}, {"福州", "福建"}, {"哈尔滨", "黑龙江"}, {"郑州", "河南"},       {"石家庄", "河北"},
        {"长沙", "湖南"}, {"武汉", "湖北"}, {"乌鲁木齐", "新疆"}, {"拉萨", "西藏"},       {"兰州", "甘肃"},
        {"南宁", "广西"}, {"贵阳", "贵州"}, {"沈阳", "辽宁"},     {"呼和浩特", "内蒙古"}, {"银川", "宁夏"},
        {"北京", "北京"}, {"上海", "上海"}, {"太原", "山西"},     {"济南", "山东"},       {"西安", "陕西"},
        {"天津", "天津"}, {"昆明", "云南"}, {"广州", "广东"},     {"海口", "海南"},       {"成都", "四川"},
        {"重庆", "重庆"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.seat);
        const PlaceLookup lookup = atlas_->find(c.seat, 1);
        ASSERT_EQ(lookup.matches.size(), 1u);
        EXPECT_EQ(lookup.matches[0].description, std::string(c.province) + " 中国");
    }
}

TEST_F(FullAtlas, FindsEveryPlaceByItsOwnNames) {
    const AtlasFile& file = *atlas_->file();
    EXPECT_GT(file.placeCount(), 199000u);
    // Every 17th place: its shown name and its Latin name, as typed, each find it among their exact matches.
    std::size_t missed = 0;
    for (std::size_t i = 0; i < file.placeCount(); i += 17) {
        const Place place = file.place(i);
        for (std::string_view name : {place.name, place.latinName}) {
            const PlaceLookup lookup = atlas_->find(name, 2000);
            bool found = false;
            for (const PlaceMatch& match : lookup.matches)
                found = found || (match.exact && match.place.geonameId == place.geonameId);
            if (!found && ++missed <= 10)
                ADD_FAILURE() << "place " << place.geonameId << " not found by its name " << std::string(name);
        }
    }
    EXPECT_EQ(missed, 0u);
}

}  // namespace
}  // namespace place
