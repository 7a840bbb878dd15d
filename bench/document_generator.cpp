#include "document_generator.h"

#include <array>

#include "util/format.h"

namespace bench {
namespace {

constexpr std::array<const char*, 8> kNames = {"张三",   "李四",   "王小明", "赵敏",
                                               "陈静怡", "刘德华", "周杰",   "欧阳娜娜"};
constexpr std::array<const char*, 6> kAreas = {"中国北京", "中国上海", "美国纽约", "日本东京", "英国伦敦", "新加坡"};
constexpr std::array<const char*, 4> kMemos = {
    "大学同学|住在北京|喜欢摄影和旅行，每年春天去一次云南",
    "同事介绍认识|性格开朗，做事认真|生日那天一起吃饭",
    "亲戚家的孩子|小学三年级",
    "网上认识的朋友|爱好天文，常在周末看星星|相约明年去看日全食",
};

}  // namespace

store::Person samplePerson(std::int32_t n) {
    using store::PersonKey;
    store::Person p;
    p.index = n;
    const auto i = static_cast<std::size_t>(n);
    p[PersonKey::UInd] = store::formatCode(n + store::kCodeBase);
    p[PersonKey::Nick] = util::format("%s%ld", kNames[i % kNames.size()], static_cast<long>(n));
    p[PersonKey::Type] = store::formatIndex(static_cast<int>(i % 4));
    p[PersonKey::Srday] =
        util::format("%d.%d.%d,%02d%02d", 1950 + static_cast<int>(i % 70), 1 + static_cast<int>(i % 12),
                     1 + static_cast<int>(i % 28), static_cast<int>(i % 24), static_cast<int>(i % 60));
    p[PersonKey::Nongli] = "十一月十七";
    p[PersonKey::Timezone] = store::formatIndex(5);
    p[PersonKey::Area] = kAreas[i % kAreas.size()];
    p[PersonKey::Xxw] = " ( 日~火 ) ,月土";
    p[PersonKey::Cxw] = " ( 月~天 ) , ( 金~木 ) ";
    p[PersonKey::Hxw] = "日天,日海,水土, ( 天~海 ) ";
    p[PersonKey::Gxw] = "火冥";
    p[PersonKey::Lxw] = " ( 日~火 ) , ( 水~火 ) , ( 水~冥 ) ,火海, ( 海~冥 ) ";
    p[PersonKey::Mxw] = " ( 日~木 ) ,月金,木天";
    p[PersonKey::Rydu] = util::format("%.2f", static_cast<double>(i % 36000) / 100.0 - 180.0);
    p[PersonKey::Memo] = kMemos[i % kMemos.size()];
    for (int planet = 0; planet < store::kPlanetCount; ++planet) {
        const auto& entry = store::kPlanetTable[static_cast<std::size_t>(planet)];
        p[entry.signKey] = store::formatIndex(1 + static_cast<int>((i + static_cast<std::size_t>(planet) * 7) % 12));
        p[entry.degreeKey] =
            store::formatDegree(static_cast<float>((i * 37 + static_cast<std::size_t>(planet) * 11) % 3000) / 100.0f);
    }
    p[PersonKey::NoteTime] =
        util::format("2024-03-%02d 09:30:%02d", 1 + static_cast<int>(i % 28), static_cast<int>(i % 60));
    return p;
}

namespace {

std::string document(std::int32_t count, store::DocumentForm form) {
    std::string out = "[base]\r\n";
    if (form == store::DocumentForm::Current)
        out += util::format("ver=%s\r\n", std::string(store::kDocumentVersion).c_str());
    out += util::format("newcode=%ld\r\nuLastInd=%ld\r\n", static_cast<long>(count + store::kFirstCode),
                        static_cast<long>(count));
    if (form == store::DocumentForm::Old)
        out += "[ql]\r\n";
    for (std::int32_t n = 1; n <= count; ++n) {
        const store::Person p = samplePerson(n);
        if (form == store::DocumentForm::Current)
            out += "[" + store::personSection(n, form) + "]\r\n";
        for (store::PersonKey key : store::kKeyTable) {
            out += store::personKey(store::keyName(key), n, form);
            out += '=';
            out += p[key];
            out += "\r\n";
        }
    }
    return out;
}

}  // namespace

std::string currentDocument(std::int32_t count) {
    return document(count, store::DocumentForm::Current);
}

std::string oldDocument(std::int32_t count) {
    return document(count, store::DocumentForm::Old);
}

}  // namespace bench
