#include "exchange/csv_format.h"

#include <optional>

#include "exchange/unicode_text.h"
#include "util/format.h"
#include "util/gbk.h"
#include "util/text_codec.h"

namespace exchange {

using store::PersonKey;

const std::array<CsvColumn, store::kPersonKeyCount> kCsvColumns = {{
    {"code", PersonKey::UInd},
    {"name", PersonKey::Nick},
    {"category", PersonKey::Type},
    {"birthday", PersonKey::Srday},
    {"time_zone", PersonKey::Timezone},
    {"lunar_date", PersonKey::Nongli},
    {"area", PersonKey::Area},
    {"memo", PersonKey::Memo},
    {"recorded", PersonKey::NoteTime},
    {"sun_sign", PersonKey::Sun},
    {"sun_degree", PersonKey::SunVal},
    {"moon_sign", PersonKey::Moon},
    {"moon_degree", PersonKey::MoonVal},
    {"mercury_sign", PersonKey::Mercury},
    {"mercury_degree", PersonKey::MercuryVal},
    {"venus_sign", PersonKey::Venus},
    {"venus_degree", PersonKey::VenusVal},
    {"mars_sign", PersonKey::Mars},
    {"mars_degree", PersonKey::MarsVal},
    {"jupiter_sign", PersonKey::Jupiter},
    {"jupiter_degree", PersonKey::JupiterVal},
    {"saturn_sign", PersonKey::Saturn},
    {"saturn_degree", PersonKey::SaturnVal},
    {"uranus_sign", PersonKey::Uranus},
    {"uranus_degree", PersonKey::UranusVal},
    {"neptune_sign", PersonKey::Neptune},
    {"neptune_degree", PersonKey::NeptuneVal},
    {"pluto_sign", PersonKey::Pluto},
    {"pluto_degree", PersonKey::PlutoVal},
    {"square", PersonKey::Xxw},
    {"opposition", PersonKey::Cxw},
    {"conjunction", PersonKey::Hxw},
    {"trine", PersonKey::Gxw},
    {"sextile", PersonKey::Lxw},
    {"plum_blossom", PersonKey::Mxw},
    {"sun_moon", PersonKey::Rydu},
}};

namespace {

void appendField(std::string& out, std::string_view field) {
    if (field.find_first_of(",\"\r\n") == std::string_view::npos) {
        out.append(field);
        return;
    }
    out.push_back('"');
    for (char c : field) {
        if (c == '"')
            out.push_back('"');
        out.push_back(c);
    }
    out.push_back('"');
}

struct CsvRecord {
    int line = 0;
    std::vector<std::string> fields;
    std::string problem;  // set when the record is malformed
};

// Splits the text into records, following the grammar of readCsv.
class CsvScanner {
  public:
    explicit CsvScanner(std::string_view text) : text_(text) {}

    bool next(CsvRecord& record) {
        if (pos_ >= text_.size())
            return false;
        record = CsvRecord{};
        record.line = line_;
        std::string field;
        for (;;) {
            if (pos_ < text_.size() && text_[pos_] == '"') {
                if (!readQuoted(field, record))
                    return true;
            } else {
                while (pos_ < text_.size() && text_[pos_] != ',' && text_[pos_] != '\r' && text_[pos_] != '\n')
                    field.push_back(text_[pos_++]);
            }
            record.fields.push_back(std::move(field));
            field.clear();
            if (pos_ < text_.size() && text_[pos_] == ',') {
                ++pos_;
                continue;
            }
            skipBreak();
            return true;
        }
    }

  private:
    bool readQuoted(std::string& field, CsvRecord& record) {
        ++pos_;
        for (;;) {
            if (pos_ >= text_.size()) {
                record.problem = "引号没有结束";
                return false;
            }
            const char c = text_[pos_++];
            if (c == '"') {
                if (pos_ < text_.size() && text_[pos_] == '"') {
                    field.push_back('"');
                    ++pos_;
                    continue;
                }
                break;
            }
            if (c == '\n' || (c == '\r' && (pos_ >= text_.size() || text_[pos_] != '\n')))
                ++line_;
            field.push_back(c);
        }
        if (pos_ < text_.size() && text_[pos_] != ',' && text_[pos_] != '\r' && text_[pos_] != '\n') {
            record.problem = "引号后面还有文字";
            // Skip to the end of this line so that the next record starts afresh.
            while (pos_ < text_.size() && text_[pos_] != '\r' && text_[pos_] != '\n')
                ++pos_;
            skipBreak();
            return false;
        }
        return true;
    }

    void skipBreak() {
        if (pos_ < text_.size() && text_[pos_] == '\r')
            ++pos_;
        if (pos_ < text_.size() && text_[pos_] == '\n')
            ++pos_;
        ++line_;
    }

    std::string_view text_;
    std::size_t pos_ = 0;
    int line_ = 1;
};

std::string lowerAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

bool blankRecord(const CsvRecord& record) {
    return record.problem.empty() && record.fields.size() == 1 && record.fields[0].empty();
}

}  // namespace

WrittenCards writeCsv(const std::vector<store::Person>& persons) {
    WrittenCards written;
    std::string& out = written.bytes;
    out.append(kUtf8Bom);
    for (std::size_t c = 0; c < kCsvColumns.size(); ++c) {
        if (c > 0)
            out.push_back(',');
        out.append(kCsvColumns[c].name);
    }
    out.append("\r\n");
    for (const store::Person& person : persons) {
        for (std::size_t c = 0; c < kCsvColumns.size(); ++c) {
            if (c > 0)
                out.push_back(',');
            std::string text = person[kCsvColumns[c].key];
            if (kCsvColumns[c].key == PersonKey::Memo)
                text = store::memoFromDocument(text);
            std::optional<std::string> utf8 = util::gbkToUtf8(text);
            if (!utf8) {
                utf8 = util::gbkToUtf8(text, true);
                written.problems.push_back(
                    {0, util::format("编号 %s 的 %s 不是有效的 GBK 文字，无法转换的字节写成了“?”",
                                     person[PersonKey::UInd].c_str(), std::string(kCsvColumns[c].name).c_str())});
            }
            appendField(out, utf8.value_or(std::string()));
        }
        out.append("\r\n");
    }
    return written;
}

namespace {

// The text of a field that must hold a birthday: as a card keeps it, or why not. Blanks are no birthday.
std::optional<std::string> birthdayText(const std::string& field, std::string& why) {
    if (store::trimBlanks(field).empty())
        return std::string();
    CardBirthday birthday = cardBirthday(field);
    if (!birthday.text)
        why = util::format("生日“%s”无法使用：%s", field.c_str(), birthday.problem.c_str());
    return std::move(birthday.text);
}

}  // namespace

ReadReport readCsv(std::string_view bytes, const CardSink& take) {
    ReadReport report;
    const FileText file = fileText(bytes);
    CsvScanner scanner(file.text);
    CsvRecord record;
    bool haveHeader = false;
    while (!haveHeader && scanner.next(record))
        haveHeader = !blankRecord(record);
    if (!haveHeader) {
        report.problems.push_back({0, "文件中没有表头，也没有卡片"});
        return report;
    }
    // Column f of a record goes to kCsvColumns[*columnOf[f]] when it names a known column (the first of equal names).
    const std::vector<std::string> header = record.fields;
    std::vector<std::optional<std::size_t>> columnOf(header.size());
    std::vector<std::size_t> firstOf(kCsvColumns.size(), 0);  // 1-based field of each column taken
    bool anyKnown = false;
    for (std::size_t f = 0; f < header.size(); ++f) {
        const std::string name = lowerAscii(store::trimBlanks(header[f]));
        for (std::size_t c = 0; c < kCsvColumns.size(); ++c) {
            if (firstOf[c] == 0 && name == kCsvColumns[c].name) {
                columnOf[f] = c;
                firstOf[c] = f + 1;
                anyKnown = true;
            }
        }
    }
    if (!record.problem.empty() || !anyKnown) {
        report.problems.push_back({record.line, "第一行不是表头：没有一个已知的列名（如 name、birthday）"});
        return report;
    }
    std::vector<bool> holdsText(header.size(), false);  // of the columns without a name
    store::Person person;
    while (scanner.next(record)) {
        if (blankRecord(record))
            continue;
        if (!record.problem.empty()) {
            report.problems.push_back({record.line, record.problem + "，此行未导入"});
            continue;
        }
        person = store::Person{};
        std::string problem;
        for (std::size_t f = 0; f < record.fields.size() && problem.empty(); ++f) {
            const std::string& field = record.fields[f];
            if (f >= columnOf.size()) {
                if (!field.empty())
                    problem = util::format("第 %d 列：字段比表头多", static_cast<int>(f + 1));
                continue;
            }
            if (!columnOf[f]) {
                holdsText[f] = holdsText[f] || !field.empty();
                continue;
            }
            const CsvColumn& column = kCsvColumns[*columnOf[f]];
            const std::string where =
                util::format("第 %d 列（%s）：", static_cast<int>(f + 1), std::string(column.name).c_str());
            GbkField gbk = gbkField(field, file.encoding);
            if (!gbk.text) {
                problem = where + gbk.problem;
                continue;
            }
            std::string value = std::move(*gbk.text);
            if (column.key == PersonKey::Memo) {
                value = store::memoToDocument(value);
            } else if (value.find_first_of("\r\n") != std::string::npos) {
                problem = where + "只有备注可以分行";
            } else if (column.key == PersonKey::Srday) {
                std::string why;
                if (auto birthday = birthdayText(value, why))
                    value = std::move(*birthday);
                else
                    problem = where + why;
            }
            if (problem.empty()) {
                if (auto why = valueProblem(value))
                    problem = where + *why;
            }
            person[column.key] = std::move(value);
        }
        if (!problem.empty()) {
            report.problems.push_back({record.line, problem + "，此行未导入"});
            continue;
        }
        ++report.cards;
        take(person);
    }
    // What of the file was not read: said once, as a note beside the count, not as a skipped record.
    std::string unused;
    for (std::size_t f = 0; f < header.size(); ++f) {
        if (columnOf[f])
            continue;
        const std::string_view name = store::trimBlanks(header[f]);
        std::string item;
        if (name.empty()) {
            if (holdsText[f])
                item = util::format("第 %d 列（没有列名）", static_cast<int>(f + 1));
        } else {
            const GbkField gbk = gbkField(name, file.encoding);
            const std::string shown = gbk.text ? "“" + *gbk.text + "”" : std::string();
            const std::string lower = lowerAscii(name);
            std::size_t same = 0;
            for (std::size_t c = 0; c < kCsvColumns.size(); ++c)
                if (lower == kCsvColumns[c].name)
                    same = firstOf[c];
            item = same != 0 ? util::format("第 %d 列%s（与第 %d 列重名）", static_cast<int>(f + 1), shown.c_str(),
                                            static_cast<int>(same))
                             : util::format("第 %d 列%s（不是已知的列名）", static_cast<int>(f + 1), shown.c_str());
        }
        if (!item.empty())
            unused += (unused.empty() ? "" : "、") + item;
    }
    if (!unused.empty())
        report.notes.push_back("未使用的列：" + unused + "。已知的列名与导出的 CSV 文件相同（如 name、birthday）");
    return report;
}

ReadCards readCsv(std::string_view bytes) {
    ReadCards cards;
    ReadReport report = readCsv(bytes, [&cards](const store::Person& person) { cards.persons.push_back(person); });
    cards.problems = std::move(report.problems);
    cards.notes = std::move(report.notes);
    return cards;
}

}  // namespace exchange
