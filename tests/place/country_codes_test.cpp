// The country names' codes against the country table (every name once, with one code) and against the Chinese names
// of Debian's iso-codes where that is installed; China's division names both ways.
#include "place/country_codes.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <string>

#include "input/country_table.h"
#include "place/china_divisions.h"
#include "scratch.h"
#include "util/text_codec.h"

namespace place {
namespace {

TEST(CountryCodes, GiveEveryNameOfTheCountryTableExactlyOneCode) {
    const auto names = countryNames();
    std::size_t tableNames = 0;
    for (const input::CountryZone& country : input::countryTable()) {
        if (country.nameText().empty())
            continue;
        SCOPED_TRACE(country.nameText());
        // The table's names stand first, in its order.
        ASSERT_LT(tableNames, names.size());
        EXPECT_EQ(names[tableNames].name, country.nameText());
        ++tableNames;
        std::size_t entries = 0;
        for (const CountryName& entry : names)
            entries += entry.name == country.nameText();
        EXPECT_EQ(entries, 1u);
        const std::string_view code = countryCodeForName(country.nameText());
        ASSERT_EQ(code.size(), 2u);
        EXPECT_EQ(countryNameForCode(code), country.nameText());
    }
    EXPECT_EQ(tableNames, 193u);
}

TEST(CountryCodes, NameEachCodeOnceAndEachNameOnce) {
    std::set<std::string_view> codes, names;
    for (const CountryName& entry : countryNames()) {
        SCOPED_TRACE(entry.name);
        ASSERT_EQ(entry.code.size(), 2u);
        EXPECT_TRUE(entry.code[0] >= 'A' && entry.code[0] <= 'Z' && entry.code[1] >= 'A' && entry.code[1] <= 'Z');
        EXPECT_TRUE(codes.insert(entry.code).second);
        EXPECT_TRUE(names.insert(entry.name).second);
    }
    const struct {
        const char* name;
        const char* code;
    } cases[] = {{"美国", "US"},     {"中国", "CN"}, {"香港", "HK"},     {"台湾", "TW"},
                 {"刚果(金)", "CD"}, {"特多", "TT"}, {"多米尼加", "DO"}, {"多米尼克", "DM"},
                 {"波多黎各", "PR"}, {"美國", ""},   {"", ""},           {"美国 ", ""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(countryCodeForName(c.name), c.code);
    }
    EXPECT_EQ(countryNameForCode("ZZ"), "");
}

// The messages of a gettext catalogue (.mo): original -> translation.
std::map<std::string, std::string> readCatalogue(const std::string& bytes) {
    std::map<std::string, std::string> messages;
    const auto u32 = [&](std::size_t offset) {
        std::uint32_t value = 0;
        for (int i = 3; i >= 0; --i)
            value = value << 8 | static_cast<unsigned char>(bytes.at(offset + static_cast<std::size_t>(i)));
        return value;
    };
    if (bytes.size() < 20 || u32(0) != 0x950412DEu)
        return messages;
    const std::uint32_t count = u32(8), originals = u32(12), translations = u32(16);
    for (std::uint32_t i = 0; i < count; ++i)
        messages[bytes.substr(u32(originals + 8 * i + 4), u32(originals + 8 * i))] =
            bytes.substr(u32(translations + 8 * i + 4), u32(translations + 8 * i));
    return messages;
}

TEST(CountryCodes, AgreeWithTheChineseNamesOfIsoCodes) {
    const std::filesystem::path json = "/usr/share/iso-codes/json/iso_3166-1.json";
    const std::filesystem::path catalogue = "/usr/share/locale/zh_CN/LC_MESSAGES/iso_3166-1.mo";
    if (!std::filesystem::exists(json) || !std::filesystem::exists(catalogue))
        GTEST_SKIP() << "iso-codes is not installed (Debian: iso-codes)";
    const std::map<std::string, std::string> chinese = readCatalogue(testing_support::readBytes(catalogue));
    ASSERT_FALSE(chinese.empty());

    // Every Chinese name iso-codes gives a code (name, common name, official name) -> the codes it names.
    std::map<std::string, std::set<std::string>> codesByName;
    const std::string text = testing_support::readBytes(json);
    const std::regex entryPattern(R"(\{[^{}]*\})");
    const std::regex fieldPattern(R"re("(alpha_2|name|common_name|official_name)": "([^"]*)")re");
    for (auto entry = std::sregex_iterator(text.begin(), text.end(), entryPattern); entry != std::sregex_iterator();
         ++entry) {
        const std::string body = entry->str();
        std::string code;
        std::vector<std::string> englishNames;
        for (auto field = std::sregex_iterator(body.begin(), body.end(), fieldPattern); field != std::sregex_iterator();
             ++field) {
            if ((*field)[1] == "alpha_2")
                code = (*field)[2];
            else
                englishNames.push_back((*field)[2]);
        }
        for (const std::string& english : englishNames)
            if (auto found = chinese.find(english); found != chinese.end())
                if (auto gbk = util::utf8ToGbk(found->second))
                    codesByName[*gbk].insert(code);
    }

    std::size_t agreeing = 0;
    for (const CountryName& entry : countryNames()) {
        const auto found = codesByName.find(std::string(entry.name));
        if (found == codesByName.end())
            continue;  // named otherwise there ("沙特" is "沙特阿拉伯")
        SCOPED_TRACE(entry.name);
        EXPECT_EQ(found->second, std::set<std::string>{std::string(entry.code)});
        ++agreeing;
    }
    EXPECT_GE(agreeing, 170u);
}

TEST(ChinaDivisions, NameEachCodeAndFindEachName) {
    const struct {
        const char* code;
        const char* name;
        const char* fullName;
    } cases[] = {
        {"01", "安徽", "安徽省"},         {"13", "新疆", "新疆维吾尔自治区"}, {"22", "北京", "北京市"},
        {"29", "云南", "云南省"},         {"30", "广东", "广东省"},           {"33", "重庆", "重庆市"},
        {"20", "内蒙古", "内蒙古自治区"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        EXPECT_EQ(chinaDivisionName(c.code), c.name);
        EXPECT_EQ(chinaDivisionCode(c.name), c.code);
        EXPECT_EQ(chinaDivisionCode(c.fullName), c.code);
    }
    for (const char* code : {"", "17", "27", "34", "1", "030"})
        EXPECT_EQ(chinaDivisionName(code), "") << code;
    EXPECT_EQ(chinaDivisionCode("广东 "), "");
}

}  // namespace
}  // namespace place
