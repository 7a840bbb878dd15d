#include "place/atlas_file.h"

#include <algorithm>
#include <cstring>

#include "util/format.h"
#include "util/gbk.h"

// The file is checked once, whole, when it is read: its length against its header (so a cut-off file says so), its
// checksum (so any changed byte is refused rather than shown as a wrong name), then every table entry against the
// bounds of the file. After that the accessors read without checks, and a search costs no more than its matches.
namespace place {
namespace {

constexpr std::size_t kTextSize = 512;
constexpr char kMagic[] = "QELVOATL";
constexpr std::size_t kMagicSize = 8;
constexpr std::uint32_t kFormatVersion = 1;
constexpr std::size_t kHeaderSize = kMagicSize + 6 * 4 + 7 * 4;
constexpr std::size_t kPlaceSize = 32;
constexpr std::size_t kKeySize = 8;
constexpr std::size_t kZoneSize = 4;
constexpr std::size_t kCountrySize = 2;
constexpr std::size_t kFoldSize = 4;
constexpr std::uint16_t kRemoved = 0xFFFF;
constexpr std::string_view kOpening = "Qelvo place atlas";
constexpr std::size_t kLargestFile = std::size_t{1} << 30;

std::uint32_t u32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

std::uint16_t u16(const unsigned char* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

std::uint64_t u64(const unsigned char* p) {
    return static_cast<std::uint64_t>(u32(p)) | static_cast<std::uint64_t>(u32(p + 4)) << 32;
}

// A character as the fold table names it: a byte below 0x80, or a two-byte GBK character lead * 256 + trail.
bool isCharacterCode(std::uint16_t code) {
    if (code < 0x80)
        return true;
    return util::gbk::isLeadByte(static_cast<unsigned char>(code >> 8)) &&
           util::gbk::isTrailByte(static_cast<unsigned char>(code & 0xFF));
}

std::size_t alignedTo8(std::size_t n) {
    return (n + 7) / 8 * 8;
}

}  // namespace

std::uint64_t atlasChecksum(std::string_view bytes) {
    std::uint64_t h = 0x243F6A8885A308D3u;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    for (std::size_t i = 0; i + 8 <= bytes.size(); i += 8)
        h = (h ^ u64(p + i)) * 0x9E3779B97F4A7C15u;
    return h;
}

AtlasFile::Read AtlasFile::read(std::string bytes) {
    Read result;
    AtlasFile file;
    file.bytes_ = std::move(bytes);
    std::string problem = file.check();
    if (problem.empty())
        result.file = std::move(file);
    else
        result.problem = std::move(problem);
    return result;
}

const unsigned char* AtlasFile::at(std::size_t offset) const {
    return reinterpret_cast<const unsigned char*>(bytes_.data()) + offset;
}

std::string AtlasFile::check() {
    const std::size_t size = bytes_.size();
    const bool opensLikeAtlas = std::string_view(bytes_).substr(0, kOpening.size()) == kOpening;
    if (size > kLargestFile)
        return "文件过大，不是地点库";
    if (size < kTextSize + kHeaderSize)
        return opensLikeAtlas ? "文件不完整" : "不是地点库文件";
    if (!opensLikeAtlas || std::memcmp(at(kTextSize), kMagic, kMagicSize) != 0)
        return "不是地点库文件";
    const unsigned char* header = at(kTextSize + kMagicSize);
    const std::uint32_t version = u32(header);
    if (version != kFormatVersion)
        return util::format("格式第 %u 版，这个程序只读第 %u 版", static_cast<unsigned>(version),
                            static_cast<unsigned>(kFormatVersion));
    placeCount_ = u32(header + 4);
    keyCount_ = u32(header + 8);
    zoneCount_ = u32(header + 12);
    countryCount_ = u32(header + 16);
    foldCount_ = u32(header + 20);
    places_ = u32(header + 24);
    keys_ = u32(header + 28);
    zones_ = u32(header + 32);
    countries_ = u32(header + 36);
    folds_ = u32(header + 40);
    pool_ = u32(header + 44);
    poolSize_ = u32(header + 48);

    // The length first: a file cut short is the likeliest damage, and it deserves its own words.
    const std::size_t expected = alignedTo8(pool_ + poolSize_) + 8;
    if (size < expected)
        return "文件不完整";
    if (size > expected)
        return "文件末尾多出内容";
    if (atlasChecksum(std::string_view(bytes_).substr(0, size - 8)) != u64(at(size - 8)))
        return "校验和不符，文件已损坏";

    const std::size_t bodyStart = kTextSize + kHeaderSize;
    const std::size_t bodyEnd = size - 8;
    const struct {
        std::size_t offset, count, entrySize;
    } sections[] = {{places_, placeCount_, kPlaceSize}, {keys_, keyCount_, kKeySize},
                    {zones_, zoneCount_, kZoneSize},    {countries_, countryCount_, kCountrySize},
                    {folds_, foldCount_, kFoldSize},    {pool_, poolSize_, 1}};
    for (const auto& section : sections)
        if (section.offset < bodyStart || section.offset > bodyEnd ||
            section.count > (bodyEnd - section.offset) / section.entrySize)
            return "表的位置超出文件";
    if (countryCount_ > 256 || zoneCount_ > 0x10000)
        return "国家或时区过多";

    const auto validText = [this](std::uint32_t offset) {
        return offset < poolSize_ && offset + 1 + std::size_t{*at(pool_ + offset)} <= poolSize_;
    };
    for (std::size_t i = 0; i < zoneCount_; ++i)
        if (!validText(u32(at(zones_ + i * kZoneSize))) || poolText(u32(at(zones_ + i * kZoneSize))).empty())
            return "时区表有误";
    for (std::size_t i = 0; i < countryCount_; ++i) {
        const unsigned char* code = at(countries_ + i * kCountrySize);
        if (code[0] < 'A' || code[0] > 'Z' || code[1] < 'A' || code[1] > 'Z' ||
            (i > 0 && std::memcmp(code - kCountrySize, code, kCountrySize) >= 0))
            return "国家表有误";
    }
    for (std::size_t i = 0; i < foldCount_; ++i) {
        const unsigned char* entry = at(folds_ + i * kFoldSize);
        const std::uint16_t from = u16(entry);
        const std::uint16_t to = u16(entry + 2);
        if (!isCharacterCode(from) || (to != kRemoved && !isCharacterCode(to)) || (i > 0 && u16(entry - 4) >= from))
            return "字符折叠表有误";
    }
    placeCountries_.resize(placeCount_);
    for (std::size_t i = 0; i < placeCount_; ++i) {
        const unsigned char* p = at(places_ + i * kPlaceSize);
        const auto latitude = static_cast<std::int32_t>(u32(p + 12));
        const auto longitude = static_cast<std::int32_t>(u32(p + 16));
        if (!validText(u32(p + 4)) || !validText(u32(p + 8)) || !validText(u32(p + 24)) ||
            poolText(u32(p + 4)).empty() || poolText(u32(p + 8)).empty() || u16(p + 28) >= zoneCount_ ||
            p[30] >= countryCount_ || latitude < -900000 || latitude > 900000 || longitude < -1800000 ||
            longitude > 1800000)
            return util::format("第 %lu 个地点的数据有误", static_cast<unsigned long>(i + 1));
        placeCountries_[i] = p[30];
    }
    for (std::size_t i = 0; i < keyCount_; ++i) {
        const unsigned char* entry = at(keys_ + i * kKeySize);
        if (!validText(u32(entry)) || poolText(u32(entry)).empty() || u32(entry + 4) >= placeCount_)
            return util::format("第 %lu 个搜索键有误", static_cast<unsigned long>(i + 1));
        if (i > 0) {
            const int order = key(i - 1).compare(key(i));
            if (order > 0 || (order == 0 && keyPlace(i - 1) >= keyPlace(i)))
                return "搜索键没有按顺序排列";
        }
    }
    return {};
}

std::string_view AtlasFile::poolText(std::uint32_t offset) const {
    const unsigned char* p = at(pool_ + offset);
    return std::string_view(reinterpret_cast<const char*>(p + 1), *p);
}

std::string_view AtlasFile::description() const {
    const std::string_view text(bytes_.data(), kTextSize);
    return text.substr(0, text.find('\0'));
}

Place AtlasFile::place(std::size_t index) const {
    const unsigned char* p = at(places_ + index * kPlaceSize);
    Place place;
    place.geonameId = u32(p);
    place.name = poolText(u32(p + 4));
    place.latinName = poolText(u32(p + 8));
    place.latitudeE4 = static_cast<std::int32_t>(u32(p + 12));
    place.longitudeE4 = static_cast<std::int32_t>(u32(p + 16));
    place.population = u32(p + 20);
    place.division = poolText(u32(p + 24));
    place.zone = poolText(u32(at(zones_ + u16(p + 28) * kZoneSize)));
    place.country = std::string_view(reinterpret_cast<const char*>(at(countries_ + p[30] * kCountrySize)), 2);
    return place;
}

std::uint32_t AtlasFile::placeId(std::size_t index) const {
    return u32(at(places_ + index * kPlaceSize));
}

std::string_view AtlasFile::key(std::size_t index) const {
    return poolText(u32(at(keys_ + index * kKeySize)));
}

std::uint32_t AtlasFile::keyPlace(std::size_t index) const {
    return u32(at(keys_ + index * kKeySize + 4));
}

std::optional<std::uint8_t> AtlasFile::countryIndex(std::string_view code) const {
    if (code.size() != kCountrySize)
        return std::nullopt;
    std::size_t low = 0, high = countryCount_;
    while (low < high) {
        const std::size_t middle = (low + high) / 2;
        const int order =
            std::string_view(reinterpret_cast<const char*>(at(countries_ + middle * kCountrySize)), kCountrySize)
                .compare(code);
        if (order == 0)
            return static_cast<std::uint8_t>(middle);
        if (order < 0)
            low = middle + 1;
        else
            high = middle;
    }
    return std::nullopt;
}

std::string AtlasFile::fold(std::string_view text) const {
    std::string out;
    out.reserve(text.size());
    bool blank = false;
    const auto put = [&](std::uint16_t code) {
        if (code == ' ') {
            blank = !out.empty();
            return;
        }
        if (blank)
            out += ' ';
        blank = false;
        if (code >= 0x100)
            out += static_cast<char>(code >> 8);
        out += static_cast<char>(code & 0xFF);
    };
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t length = util::gbk::charLength(text, pos);
        const auto first = static_cast<unsigned char>(text[pos]);
        const auto code =
            static_cast<std::uint16_t>(length == 2 ? first << 8 | static_cast<unsigned char>(text[pos + 1]) : first);
        pos += length;
        std::size_t low = 0, high = foldCount_;
        while (low < high) {
            const std::size_t middle = (low + high) / 2;
            if (u16(at(folds_ + middle * kFoldSize)) < code)
                low = middle + 1;
            else
                high = middle;
        }
        if (low < foldCount_ && u16(at(folds_ + low * kFoldSize)) == code) {
            const std::uint16_t to = u16(at(folds_ + low * kFoldSize + 2));
            if (to != kRemoved)
                put(to);
        } else {
            put(code);
        }
    }
    return out;
}

}  // namespace place
