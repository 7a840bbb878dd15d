#include "app/main_form.h"

#include <algorithm>

#include "app/birth_clock_question.h"
#include "app/field_number.h"
#include "app/form_layout.h"
#include "app/start_up.h"
#include "chart/dignity_table.h"
#include "chart/zodiac_sign_table.h"
#include "exchange/aaf_format.h"
#include "exchange/card_exchange.h"
#include "exchange/csv_format.h"
#include "input/birthday_parser.h"
#include "input/country_table.h"
#include "input/lunar_calendar.h"
#include "link/calculator_answer.h"
#include "link/calculator_request.h"
#include "records/person_list.h"
#include "records/person_saver.h"
#include "store/document_upgrade.h"
#include "store/file_io.h"
#include "util/c_number.h"
#include "util/format.h"
#include "util/gbk.h"
#include "util/local_time.h"
#include "util/text_codec.h"

namespace app {

namespace {

const store::PlanetEntry& planetEntry(int p) {
    return store::kPlanetTable[static_cast<std::size_t>(p)];
}

std::vector<std::string> entriesOf(auto const& texts) {
    return std::vector<std::string>(texts.begin(), texts.end());
}

std::vector<std::string> signEntries() {
    std::vector<std::string> entries;
    for (const chart::ZodiacSign& sign : chart::zodiacSigns())
        entries.emplace_back(sign.comboText);
    return entries;
}

}  // namespace

MainForm::MainForm(ui::Window& window, const util::Clock& clock, calclink::MessageTransport& transport)
    : window_(window), clock_(clock), transport_(transport) {}

MainForm::~MainForm() {
    transport_.listen(kFormClassName, nullptr);
}

void MainForm::initialize(std::string_view commandTail) {
    initialize(documentFromCommandTail(commandTail));
}

void MainForm::initialize(const DocumentChoice& document) {
    refreshControls();
    transport_.listen(kFormClassName, [this](std::string_view bytes) { onCopyData(bytes); });

    window_.setCaption(captionFor(window_.caption(), document));
    store_.InitChkCfg(document.path, ".qelvo");

    const std::string newCode = store_.GetMyKey(store::kBaseSection, store::kNewCodeKey);
    // An old document may have lost its base section: its cards make it old, not empty.
    const bool oldDocument = store::isOldDocument(store_);
    const bool emptyDocument = newCode.empty() && !oldDocument;
    if (emptyDocument) {
        // A document that cannot be written opens all the same, with code 10001 and an empty list.
        store_.SetMyKeys(store::newDocumentEdits());
    } else {
        values_.code = util::readCInt(newCode);
        refreshControls();
    }

    const std::vector<std::string> signs = signEntries();
    for (int p = 0; p < store::kPlanetCount; ++p) {
        window_.setItems(planetEntry(p).signList, signs);
        window_.select(planetEntry(p).signList, 0);
    }
    window_.setItems(kIdTimeZone, entriesOf(kTimeZoneEntries));
    window_.select(kIdTimeZone, 0);
    window_.setItems(kIdCategory, entriesOf(kCategoryEntries));
    window_.select(kIdCategory, 0);

    values_.noteTime = nowText();

    window_.setColumns(kIdPersonList,
                       std::vector<ui::ColumnSpec>(kPersonListColumns.begin(), kPersonListColumns.end()));

    // An empty document whose base section could not be written is not asked about.
    if (oldDocument) {
        // Another running copy may upgrade the document while the question waits: the upgrade then finds it
        // current and converts nothing.
        if (window_.ask(kUpgradeQuestion, kMessageCaption) == ui::Answer::Yes) {
            if (upgradeDocument() == store::UpgradeOutcome::Failed) {
                window_.messageBox(util::format("无法转换文档“%s”：%s\r\n文档保持原样。", documentName().c_str(),
                                                store_.lastError().c_str()),
                                   kMessageCaption);
                closeForm();
            } else {
                values_.code = records::nextNewCode(store_);  // made from the cards where the base was missing
            }
        } else {
            closeForm();
        }
    }

    fillPersonList();
    refreshControls();
}

void MainForm::closeForm() {
    closed_ = true;
    window_.close();
}

// --- events -------------------------------------------------------------------------------------------------------

void MainForm::onCommand(int id) {
    if (closed_)
        return;
    switch (id) {
        case kIdSave:
            savePerson();
            break;
        case kIdExit:
            closeForm();
            break;
        case kIdNew:
            newPerson();
            break;
        case kIdAspects:
            refreshAnalysis(true);
            for (int p = 0; p < store::kPlanetCount; ++p)
                updateDignityMark(p);
            break;
        case kIdAssociate:
            registerFileType();
            break;
        case kIdGetBirthday:
            getBirthday();
            break;
        case kIdNow:
            fillNow();
            break;
        case kIdChart:
            showChart();
            break;
        case kIdExportCsv:
        case kIdExportAaf:
            exportCards(id == kIdExportCsv);
            break;
        case kIdImportCsv:
        case kIdImportAaf:
            importCards(id == kIdImportCsv);
            break;
        default:
            break;
    }
}

void MainForm::onSelectionChange(int id) {
    if (closed_)
        return;
    for (int p = 0; p < store::kPlanetCount; ++p) {
        if (planetEntry(p).signList == id) {
            refreshAnalysis(true);
            updateDignityMark(p);
            return;
        }
    }
}

void MainForm::onListClick(int id) {
    if (!closed_ && id == kIdPersonList)
        showPerson();
}

void MainForm::onCopyData(std::string_view bytes) {
    if (!closed_)
        onCalculatorAnswer(bytes);
}

void MainForm::onEditChange(int id) {
    if (!closed_ && id == kIdSearch)
        fillPersonList();
}

// --- data exchange ------------------------------------------------------------------------------------------------

// The text fields bound to held values, in the order the exchange takes them after the numbers.
std::array<std::pair<int, std::string*>, 13> MainForm::textBindings(records::CardValues& v) {
    chart::AspectTexts& a = v.aspects;
    return {{{kIdBirthday, &v.birthday},
             {kIdName, &v.name},
             {kIdMemo, &v.memo},
             {kIdArea, &v.area},
             {kIdNoteTime, &v.noteTime},
             {kIdLunarDate, &v.lunarDate},
             {kIdSquare, &a.square},
             {kIdOpposition, &a.opposition},
             {kIdConjunction, &a.conjunction},
             {kIdTrine, &a.trine},
             {kIdSextile, &a.sextile},
             {kIdPlumBlossom, &a.plumBlossom},
             {kIdSunMoon, &a.sunMoon}}};
}

bool MainForm::takeValues() {
    const std::optional<std::int32_t> code = readWholeNumber(window_.text(kIdCode));
    if (!code) {
        window_.messageBox(kWholeNumberPrompt, kMessageCaption);
        window_.setFocus(kIdCode);
        return false;
    }
    values_.code = *code;
    for (int p = 0; p < store::kPlanetCount; ++p) {
        const std::optional<float> degree = readDecimalNumber(window_.text(planetEntry(p).degreeEdit));
        if (!degree) {
            window_.messageBox(kNumberPrompt, kMessageCaption);
            window_.setFocus(planetEntry(p).degreeEdit);
            return false;
        }
        values_.degrees[static_cast<std::size_t>(p)] = *degree;
    }
    for (const auto& [id, text] : textBindings(values_))
        *text = window_.text(id);
    return true;
}

void MainForm::refreshControls() {
    window_.setText(kIdCode, util::format("%d", static_cast<int>(values_.code)));
    for (int p = 0; p < store::kPlanetCount; ++p)
        window_.setText(planetEntry(p).degreeEdit,
                        records::formatDegreeField(values_.degrees[static_cast<std::size_t>(p)]));
    for (const auto& [id, text] : textBindings(values_))
        window_.setText(id, *text);
}

// --- person records -----------------------------------------------------------------------------------------------

void MainForm::fillPersonList() {
    records::SearchResult found = search_.find(store_, window_.text(kIdSearch));
    listed_ = std::move(found.persons);
    window_.setText(kIdSearchCount, util::format("共 %d 人", static_cast<int>(found.matches)));
    std::vector<std::vector<std::string>> rows;
    rows.reserve(listed_.size());
    for (const store::Person& person : listed_)
        rows.push_back(records::listRow(person));
    window_.setRows(kIdPersonList, std::move(rows));
}

void MainForm::showPerson() {
    const int row = window_.firstSelectedRow(kIdPersonList);
    if (row < 0 || static_cast<std::size_t>(row) >= listed_.size())
        return;
    const store::Person& person = listed_[static_cast<std::size_t>(row)];
    mode_ = FormMode::ShownPerson;
    ownIndex_ = person.index;
    const records::Card card = records::cardOfPerson(person);
    values_ = card.values;
    window_.setText(kIdInput, values_.birthday);
    // Every list shows the card's own position, one outside its entries (negative or past the end) as no selection:
    // a list left on the previous card's choice would save that choice into this card.
    window_.select(kIdCategory, card.choices.category);
    window_.select(kIdTimeZone, card.choices.timeZone);
    for (int p = 0; p < store::kPlanetCount; ++p)
        window_.select(planetEntry(p).signList, card.choices.signs[static_cast<std::size_t>(p)]);
    refreshControls();
    window_.updateChart(chartOnForm());
}

void MainForm::newPerson() {
    values_.code = records::nextNewCode(store_);
    values_.name.clear();
    values_.birthday.clear();
    values_.lunarDate.clear();
    values_.area.clear();
    values_.memo.clear();
    window_.setText(kIdInput, "");
    values_.aspects = chart::AspectTexts{};
    window_.select(kIdCategory, 0);
    window_.select(kIdTimeZone, 0);
    for (int p = 0; p < store::kPlanetCount; ++p) {
        window_.select(planetEntry(p).signList, 0);
        values_.degrees[static_cast<std::size_t>(p)] = 0.f;
    }
    values_.noteTime = nowText();
    mode_ = FormMode::NewPerson;
    ownIndex_.reset();
    refreshControls();
    window_.updateChart(chartOnForm());
}

records::Card MainForm::cardOnForm() const {
    records::Card card;
    card.values = values_;
    card.choices.category = window_.selection(kIdCategory);
    card.choices.timeZone = window_.selection(kIdTimeZone);
    for (int p = 0; p < store::kPlanetCount; ++p)
        card.choices.signs[static_cast<std::size_t>(p)] = window_.selection(planetEntry(p).signList);
    return card;
}

void MainForm::savePerson() {
    // A refused number has had its prompt; the save goes on with the values held before, as the exchange left them.
    takeValues();
    const records::Card card = cardOnForm();
    const std::int32_t code = card.values.code;
    if (!records::codeAccepted(code)) {
        window_.messageBox(util::format("编号%d不在%d到%d之间，此人未保存。", static_cast<int>(code),
                                        static_cast<int>(store::kFirstCode), static_cast<int>(store::kLastCode)),
                           kMessageCaption);
        fillPersonList();
        return;
    }
    const std::int32_t n = code - store::kCodeBase;
    if (ownIndex_ != n) {
        if (const auto stored = records::storedPerson(store_, n)) {
            const std::string question =
                util::format("编号%d已有另一张卡片（%s），要用本卡覆盖它吗？", static_cast<int>(code),
                             (*stored)[store::PersonKey::Nick].c_str());
            if (window_.ask(question, kMessageCaption) != ui::Answer::Yes) {
                fillPersonList();
                return;
            }
        }
    }
    if (!records::writePerson(store_, card, mode_ == FormMode::NewPerson)) {
        window_.messageBox(
            util::format("无法写入文档“%s”：%s\r\n此人未保存。", documentName().c_str(), store_.lastError().c_str()),
            kMessageCaption);
        fillPersonList();  // the list shows the document as it is, whatever became of this save
        return;
    }
    ownIndex_ = n;
    fillPersonList();
}

// --- chart analysis -----------------------------------------------------------------------------------------------

void MainForm::refreshAnalysis(bool refresh) {
    takeValues();
    const chart::WheelChart wheel = chartOnForm();
    values_.aspects = chart::computeAspects(wheel.planets);
    if (refresh)
        refreshControls();
    window_.updateChart(wheel);
}

chart::WheelChart MainForm::chartOnForm() const {
    chart::WheelChart wheel;
    for (int p = 0; p < store::kPlanetCount; ++p) {
        wheel.planets[static_cast<std::size_t>(p)].sign = window_.selection(planetEntry(p).signList);
        wheel.planets[static_cast<std::size_t>(p)].degree = values_.degrees[static_cast<std::size_t>(p)];
    }
    wheel.title = util::format("%d %s", static_cast<int>(values_.code), values_.name.c_str());
    return wheel;
}

void MainForm::showChart() {
    // A refused degree has had its prompt; the chart then shows the degrees held before.
    takeValues();
    window_.showChart(chartOnForm());
}

bool MainForm::updateDignityMark(int planet) {
    if (planet < 0 || planet >= store::kPlanetCount)
        return false;
    const store::PlanetEntry& entry = planetEntry(planet);
    window_.setText(entry.markField, "");
    const int sign = window_.selection(entry.signList);
    if (sign <= 0)
        return true;
    window_.setText(entry.markField, chart::markFor(planet, sign));
    return true;
}

// --- birth data and the calculator --------------------------------------------------------------------------------

void MainForm::getBirthday() {
    const input::BirthdayOutcome outcome = input::parseBirthday(window_.text(kIdInput));
    if (const auto* error = std::get_if<input::BirthdayError>(&outcome)) {
        window_.messageBox(error->message, kMessageCaption);
        return;
    }
    const auto& birthday = std::get<input::BirthdayResult>(outcome);
    window_.setText(kIdBirthday, birthday.displayText);
    window_.setText(kIdInput, birthday.displayText);
    fillLunarDate(birthday);
    lookupTimeZone();
    if (window_.selection(kIdTimeZone) == input::kTimeZonePlaceholder)
        window_.select(kIdTimeZone, input::kDefaultTimeZoneIndex);
    // Where the clocks of the birth place showed another offset than the chosen zone's, the user decides which to
    // compute with; the chosen entry is what the request carries and the card stores.
    const int zone = settleBirthClock(window_, values_.area, birthday, window_.selection(kIdTimeZone));
    if (zone != window_.selection(kIdTimeZone))
        window_.select(kIdTimeZone, zone);
    const auto request = calclink::buildCalculatorRequest(kFormClassName, birthday.year, birthday.month, birthday.day,
                                                          birthday.timeText, window_.selection(kIdTimeZone));
    if (!request)
        return;
    // The answer arrives while the request is out (within the send, as a window message is handled): an answer that
    // cannot be read is told once the send has returned, so that the calculator is not kept waiting on a message box.
    // Without an answer the transport may know why (none to start, it did not come up, it failed or was stopped).
    // Either way the user is told, and the form keeps what it shows.
    awaitingAnswer_ = true;
    answerProblem_.clear();
    const std::intptr_t result = calclink::sendToCalculator(transport_, calclink::kCalculatorWindowClass, *request);
    awaitingAnswer_ = false;
    std::string why;
    why.swap(answerProblem_);
    if (why.empty() && result == 0)
        why = transport_.lastFailure();
    if (!why.empty())
        window_.messageBox(why, kMessageCaption);
}

void MainForm::fillNow() {
    const std::string now = util::formatLocalTime(clock_.now(), input::kNowPattern);
    window_.setText(kIdInput, now);
    // The text is what "获得生日" will read; its date is today's.
    const input::BirthdayOutcome today = input::parseBirthday(now);
    if (const auto* date = std::get_if<input::BirthdayResult>(&today))
        fillLunarDate(*date);
}

// The lunar date is the card's text, and the user may have written one: a differing text is replaced only when the
// user says so, while an empty field, or one that already says the same, is simply filled. A date outside the
// built-in calendar leaves the field as it is.
void MainForm::fillLunarDate(const input::BirthdayResult& birthday) {
    const std::string lunar = input::lunarDateTextOf({birthday.year, birthday.month, birthday.day});
    const std::string held = window_.text(kIdLunarDate);
    if (lunar.empty() || lunar == held)
        return;
    if (!held.empty()) {
        const std::string question =
            util::format("农历一栏已有“%s”，而%d年%d月%d日是农历“%s”。\r\n要替换为“%s”吗？", held.c_str(),
                         static_cast<int>(birthday.year), static_cast<int>(birthday.month),
                         static_cast<int>(birthday.day), lunar.c_str(), lunar.c_str());
        if (window_.ask(question, kMessageCaption) != ui::Answer::Yes)
            return;
    }
    window_.setText(kIdLunarDate, lunar);
}

void MainForm::lookupTimeZone() {
    takeValues();
    if (values_.area.empty())
        return;
    if (const auto index = input::timeZoneIndexForArea(values_.area))
        window_.select(kIdTimeZone, *index);
}

int MainForm::onCalculatorAnswer(std::string_view bytes) {
    const std::vector<calclink::PlanetUpdate> updates = calclink::readCalculatorAnswer(bytes);
    if (!calclink::answerReadable(updates)) {
        const std::string why = util::format("计算器的应答无法读取：%d 字节中没有任何行星的星座。行星没有改动。",
                                             static_cast<int>(std::min(bytes.find('\0'), bytes.size())));
        if (awaitingAnswer_)
            answerProblem_ = why;
        else
            window_.messageBox(why, kMessageCaption);
        return 0;
    }
    for (const calclink::PlanetUpdate& update : updates) {
        const store::PlanetEntry& entry = planetEntry(update.planet);
        window_.select(entry.signList, update.sign);
        if (!update.degree)
            continue;
        window_.setText(entry.degreeEdit, util::format("%.2f", static_cast<double>(*update.degree)));
        refreshAnalysis(true);
        for (int p = 0; p < store::kPlanetCount; ++p)
            updateDignityMark(p);
    }
    return 0;
}

// --- document and platform ----------------------------------------------------------------------------------------

void MainForm::registerFileType() {
    if (!associate_) {
        window_.messageBox("这个系统上不能关联*.qelvo文件。", kMessageCaption);
        return;
    }
    const std::string why = associate_();
    window_.messageBox(why.empty() ? std::string("关联成功！") : "关联失败：" + why, kMessageCaption);
}

namespace {

std::vector<ui::FileFilter> exchangeFilters(bool csv) {
    if (csv)
        return {{"CSV 文件 (*.csv)", "*.csv"}, {"所有文件 (*.*)", "*.*"}};
    return {{"AAF 文件 (*.aaf)", "*.aaf"}, {"所有文件 (*.*)", "*.*"}};
}

// At most this many problems are listed in a message; the rest are counted.
constexpr std::size_t kListedProblems = 12;

std::string problemText(const std::vector<exchange::Problem>& problems) {
    std::vector<exchange::Problem> listed(
        problems.begin(), problems.begin() + static_cast<std::ptrdiff_t>(std::min(problems.size(), kListedProblems)));
    std::string text = util::gbk::replaceAll(exchange::problemLines(listed), "\n", "\r\n");
    if (problems.size() > listed.size())
        text += util::format("……另有 %d 条\r\n", static_cast<int>(problems.size() - listed.size()));
    return text;
}

std::string pathText(const std::filesystem::path& path) {
    const std::u8string utf8 = path.u8string();
    const std::string text(utf8.begin(), utf8.end());
    return util::utf8ToGbk(text, true).value_or(text);
}

}  // namespace

void MainForm::exportCards(bool csv) {
    const auto file = window_.chooseFile(true, csv ? "导出为 CSV" : "导出为 AAF", exchangeFilters(csv));
    if (!file)
        return;
    const std::vector<store::Person> persons = exchange::documentCards(store_);
    if (store_.file().unreadable()) {
        window_.messageBox(util::format("无法读取文档“%s”：%s", documentName().c_str(), store_.lastError().c_str()),
                           kMessageCaption);
        return;
    }
    const exchange::WrittenCards written = csv ? exchange::writeCsv(persons) : exchange::writeAaf(persons);
    if (const auto write = store::fileio::replaceFile(store::fileio::writeTarget(*file), written.bytes); !write.ok) {
        window_.messageBox(util::format("无法写入“%s”：%s", pathText(*file).c_str(), write.error.c_str()),
                           kMessageCaption);
        return;
    }
    std::string message =
        util::format("已导出 %d 张卡片到“%s”。", static_cast<int>(persons.size()), pathText(*file).c_str());
    if (!written.problems.empty())
        message += "\r\n" + problemText(written.problems);
    window_.messageBox(message, kMessageCaption);
}

void MainForm::importCards(bool csv) {
    const auto file = window_.chooseFile(false, csv ? "从 CSV 导入" : "从 AAF 导入", exchangeFilters(csv));
    if (!file)
        return;
    const store::fileio::ReadResult read = store::fileio::readFile(*file);
    if (const auto why = exchange::importFileProblem(read)) {
        window_.messageBox(util::format("无法读取“%s”：%s", pathText(*file).c_str(), why->c_str()), kMessageCaption);
        return;
    }
    const exchange::FileImport imported =
        exchange::importFile(store_, csv ? exchange::Format::Csv : exchange::Format::Aaf, read.bytes, nowText());
    const exchange::ImportOutcome& outcome = imported.outcome;
    std::string message;
    if (!outcome.ok) {
        message = util::format("导入失败，文档“%s”没有改变：%s", documentName().c_str(), outcome.error.c_str());
    } else if (outcome.imported == 0) {
        message = util::format("“%s”中没有可导入的卡片，文档没有改变。", pathText(*file).c_str());
    } else {
        message = util::format("已导入 %d 张卡片，编号 %d 到 %d。", outcome.imported,
                               static_cast<int>(outcome.firstCode), static_cast<int>(outcome.lastCode));
        // A new person not yet saved whose code the import took moves on to the next free one.
        const std::optional<std::int32_t> code = readWholeNumber(window_.text(kIdCode));
        if (mode_ == FormMode::NewPerson && !ownIndex_ && code && *code >= outcome.firstCode &&
            *code <= outcome.lastCode)
            window_.setText(kIdCode, util::format("%d", static_cast<int>(records::nextNewCode(store_))));
        fillPersonList();
    }
    for (const std::string& note : imported.notes)
        message += "\r\n" + note;
    if (!imported.problems.empty())
        message += util::format("\r\n跳过了 %d 条记录：\r\n", static_cast<int>(imported.problems.size())) +
                   problemText(imported.problems);
    window_.messageBox(message, kMessageCaption);
}

store::UpgradeOutcome MainForm::upgradeDocument() {
    return store::upgradeDocument(store_);
}

std::string MainForm::documentName() const {
    const std::u8string utf8 = store_.documentPath().u8string();
    const std::string text(utf8.begin(), utf8.end());
    return util::utf8ToGbk(text, true).value_or(text);
}

std::string MainForm::nowText() const {
    return util::formatLocalTime(clock_.now(), kNoteTimePattern);
}

}  // namespace app
