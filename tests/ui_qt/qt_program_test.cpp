// The native program end to end through its real Qt widgets: typed, clicked and keyed as a user would, with the real
// calculator beside it, the document's bytes and the desktop's association read back.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFontInfo>
#include <QFontMetrics>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QTranslator>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <span>
#include <sstream>
#include <string>
#include <vector>

#include "app/form_layout.h"
#include "chart/chart_engine.h"
#include "chart/dignity_table.h"
#include "records/person_card.h"
#include "scratch.h"
#include "store/chk_uid.h"
#include "ui/qt/gbk_text.h"
#include "ui/qt/qt_program.h"
#include "util/text_codec.h"

namespace {

using testing_support::readBytes;
using testing_support::ScratchFolder;
using ui::qt::fromGbk;

constexpr std::array<int, 10> kSignList = {1001, 1003, 1005, 1006, 1007, 1008, 1009, 1010, 1011, 1012};
constexpr std::array<int, 10> kDegreeEdit = {1002, 1004, 1013, 1014, 1015, 1016, 1017, 1018, 1019, 1020};
constexpr std::array<int, 10> kMarkField = {1039, 1040, 1041, 1042, 1043, 1044, 1045, 1046, 1047, 1048};

std::string profileValue(const std::filesystem::path& document, const char* section, const char* key) {
    CChkUid store;
    store.InitChkCfg(document, ".qelvo");
    return store.GetMyKey(section, key);
}

std::filesystem::path pathOf(const std::string& gbk) {
    const QByteArray utf8 = fromGbk(gbk).toUtf8();
    return std::filesystem::path(std::string(utf8.constData(), static_cast<std::size_t>(utf8.size())));
}

// Answers the message boxes that open while it lives, in order, with the buttons given (Ok once they run out), and
// keeps their texts.
class BoxAnswers {
  public:
    explicit BoxAnswers(std::vector<QMessageBox::StandardButton> answers = {}) : answers_(std::move(answers)) {
        QObject::connect(&timer_, &QTimer::timeout, [this] { answerOpenBox(); });
        timer_.start(10);
    }
    const std::vector<std::string>& texts() const { return texts_; }

  private:
    void answerOpenBox() {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || box->property("answered").toBool())
            return;
        box->setProperty("answered", true);
        const QByteArray utf8 = box->text().toUtf8();
        texts_.push_back(
            util::utf8ToGbk(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())), true)
                .value_or("?"));
        QMessageBox::StandardButton answer = QMessageBox::Ok;
        if (next_ < answers_.size())
            answer = answers_[next_++];
        if (QAbstractButton* button = box->button(answer))
            button->click();
        else
            box->reject();
    }

    std::vector<QMessageBox::StandardButton> answers_;
    std::size_t next_ = 0;
    QTimer timer_;
    std::vector<std::string> texts_;
};

// The program as main makes it, the calculator looked for beside the program being tested.
struct Program {
    ui::qt::QtProgram program;

    explicit Program(const std::filesystem::path& document,
                     std::filesystem::path calculatorFolder = QELVO_PROGRAM_FOLDER)
        : program({std::filesystem::path(QELVO_PROGRAM_FOLDER) / "qelvo", std::move(calculatorFolder),
                   std::chrono::seconds(5)}) {
        const std::string utf8 = document.string();
        program.open(ui::qt::documentFromArguments({utf8}));
        QTest::qWait(20);
    }

    ui::qt::QtWindow& window() { return program.window(); }
    template <typename T>
    T* control(int id) {
        return qobject_cast<T*>(window().control(id));
    }
    std::string text(int id) { return window().text(id); }
    void type(int id, const std::string& gbk) {
        QWidget* target = window().control(id);
        if (auto* list = qobject_cast<QComboBox*>(target))
            target = list->lineEdit();
        target->setFocus();
        if (auto* edit = qobject_cast<QLineEdit*>(target))
            edit->selectAll();
        typeInto(target, fromGbk(gbk));
    }
    // Letters and digits as keys; other characters committed by an input method, as Chinese is typed.
    static void typeInto(QWidget* target, const QString& text) {
        for (const QChar c : text) {
            if (c.unicode() < 0x80) {
                QTest::keyClicks(target, QString(c));
                continue;
            }
            QInputMethodEvent commit;
            commit.setCommitString(QString(c));
            QApplication::sendEvent(target, &commit);
        }
    }
    void click(int id) {
        QTest::mouseClick(window().control(id), Qt::LeftButton);
        QTest::qWait(20);
    }
    void clickRow(int row) {
        auto* table = control<QTableWidget>(app::kIdPersonList);
        const QRect cell = table->visualRect(table->model()->index(row, 1));
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::qWait(20);
    }
    void key(int id, Qt::Key key) {
        QWidget* target = window().control(id);
        if (auto* list = qobject_cast<QComboBox*>(target))
            target = list->lineEdit();
        target->setFocus();
        QTest::keyClick(target, key);
        QTest::qWait(20);
    }
};

TEST(QtProgram, StartsOnAMissingDocumentWithABlankAndChineseInItsPath) {
    ScratchFolder folder;
    const std::filesystem::path document = folder.path() / pathOf("我的 档案") / pathOf("人物 表.qelvo");
    std::filesystem::create_directories(document.parent_path());
    Program program(document);
    EXPECT_TRUE(program.window().isOpen());
    EXPECT_EQ(program.window().caption(),
              "Orbalis 1.0.6.21    -    " + ui::qt::toGbk(QString::fromStdString(document.string())).value());
    EXPECT_EQ(program.text(app::kIdCode), "10001");
    EXPECT_EQ(program.window().selection(app::kIdTimeZone), 0);
    EXPECT_EQ(program.window().rowCount(app::kIdPersonList), 0);
    EXPECT_EQ(profileValue(document, "base", "ver"), "1.0.6.18");
    EXPECT_EQ(profileValue(document, "base", "newcode"), "10001");
    // The focus starts at the first control of the tab order, and Tab follows the table's order round.
    const std::span<const int> order = app::mainFormLayout().tabOrder;
    for (std::size_t i = 0; i <= order.size(); ++i) {
        SCOPED_TRACE(i);
        ASSERT_EQ(program.window().focus(), order[i % order.size()]);
        QTest::keyClick(program.window().dialog()->focusWidget(), Qt::Key_Tab);
    }
    program.click(app::kIdExit);
    EXPECT_FALSE(program.window().isOpen());
}

TEST(QtProgram, TheLayoutsDialogUnitsFollowTheFontAsOnWindows) {
    for (const int points : {9, 18}) {
        SCOPED_TRACE(points);
        const ui::qt::DialogUnits units(ui::qt::dialogFont(points));
        ui::DialogSpec layout = app::mainFormLayout();
        layout.fontPoints = points;
        ui::qt::QtWindow window(layout, {});
        EXPECT_EQ(window.dialog()->width(), units.x(528));
        EXPECT_EQ(window.dialog()->height(), units.y(394));
        EXPECT_EQ(window.control(app::kIdSave)->geometry(),
                  QRect(units.x(217), units.y(364), units.x(50), units.y(16)));
        EXPECT_EQ(window.control(app::kIdPersonList)->geometry(),
                  QRect(units.x(207), units.y(23), units.x(303), units.y(171)));
        // The font's height is eight units; twice the points give about twice the units, so the form scales whole.
        EXPECT_EQ(units.baseY, QFontMetrics(ui::qt::dialogFont(points)).height());
        const ui::qt::DialogUnits small(ui::qt::dialogFont(9));
        EXPECT_NEAR(units.baseX, small.baseX * points / 9, 2);
        EXPECT_NEAR(units.baseY, small.baseY * points / 9, 2);
    }
    // A CJK font of the system, not a Latin one that would draw Chinese from fallbacks.
    EXPECT_TRUE(QFontInfo(ui::qt::dialogFont(9)).family().contains(QStringLiteral("Hei")) ||
                QFontInfo(ui::qt::dialogFont(9)).family().contains(QStringLiteral("CJK")))
        << QFontInfo(ui::qt::dialogFont(9)).family().toStdString();
}

// The ten longitudes that the ephemeris library's own tool gives for a moment in universal time.
std::vector<double> toolLongitudes(int year, int month, int day, int hour, int minute) {
    char command[256];
    std::snprintf(command, sizeof command, "%s -b%d.%d.%d -ut%d:%02d -p0123456789 -fl -emos -head", QELVO_SWETEST, day,
                  month, year, hour, minute);
    std::vector<double> longitudes;
    FILE* pipe = ::popen(command, "r");
    if (!pipe)
        return longitudes;
    std::string out;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe))
        out += buffer;
    ::pclose(pipe);
    std::istringstream in(out);
    double value = 0;
    while (longitudes.size() < 10 && in >> value)
        longitudes.push_back(value);
    return longitudes;
}

TEST(QtProgram, TypicalRoadWithTheRealCalculatorToTheDocument) {
    if (!std::filesystem::exists(std::filesystem::path(QELVO_PROGRAM_FOLDER) / "corvina"))
        GTEST_SKIP() << "the calculator is not built here (no ephemeris library)";
    if (std::string_view(QELVO_SWETEST).empty() || std::string_view(QELVO_SWETEST).ends_with("NOTFOUND"))
        GTEST_SKIP() << "no ephemeris tool (swetest) to check the calculator's answer against";
    ScratchFolder folder;
    const std::filesystem::path document = folder / "persons.qelvo";
    Program program(document);
    BoxAnswers boxes;

    program.type(app::kIdInput, "1991年1月2日，1255");
    program.type(app::kIdArea, "中国");
    program.click(app::kIdGetBirthday);
    EXPECT_TRUE(boxes.texts().empty()) << boxes.texts()[0];
    EXPECT_EQ(program.text(app::kIdBirthday), "1991.1.2,1255");
    EXPECT_EQ(program.window().selection(app::kIdTimeZone), 5);
    EXPECT_EQ(program.text(app::kIdTimeZone), "东8区");

    // 12:55 at UTC+8 is 04:55 in universal time, the same day.
    const std::vector<double> tool = toolLongitudes(1991, 1, 2, 4, 55);
    ASSERT_EQ(tool.size(), 10u) << "no ephemeris tool";
    chart::PlanetPositions positions{};
    for (std::size_t p = 0; p < 10; ++p) {
        SCOPED_TRACE(p);
        const long minutes = static_cast<long>(std::floor(tool[p] * 60.0)) % (360 * 60);
        const int sign = static_cast<int>(minutes / (30 * 60)) + 1;
        char degreeText[16];
        std::snprintf(degreeText, sizeof degreeText, "%ld.%02ld", (minutes / 60) % 30, minutes % 60);
        const float degree = static_cast<float>(std::atof(degreeText));
        positions[p] = {sign, degree};
        EXPECT_EQ(program.window().selection(kSignList[p]), sign);
        EXPECT_EQ(program.text(kDegreeEdit[p]), records::formatDegreeField(degree));
        EXPECT_EQ(program.text(kMarkField[p]), chart::markFor(static_cast<int>(p), sign));
    }
    const chart::AspectTexts aspects = chart::computeAspects(positions);
    EXPECT_EQ(program.text(app::kIdSquare), aspects.square);
    EXPECT_EQ(program.text(app::kIdOpposition), aspects.opposition);
    EXPECT_EQ(program.text(app::kIdConjunction), aspects.conjunction);
    EXPECT_EQ(program.text(app::kIdTrine), aspects.trine);
    EXPECT_EQ(program.text(app::kIdSextile), aspects.sextile);
    EXPECT_EQ(program.text(app::kIdPlumBlossom), aspects.plumBlossom);
    EXPECT_EQ(program.text(app::kIdSunMoon), aspects.sunMoon);

    program.type(app::kIdName, "李明");
    program.type(app::kIdMemo, "白羊座上升");
    program.click(app::kIdSave);
    EXPECT_EQ(program.window().rowCount(app::kIdPersonList), 1);
    EXPECT_EQ(profileValue(document, "ql_1", "nick"), "李明");
    EXPECT_EQ(profileValue(document, "ql_1", "srday"), "1991.1.2,1255");
    EXPECT_EQ(profileValue(document, "ql_1", "timezone"), "5");
    EXPECT_EQ(profileValue(document, "ql_1", "moon"), std::to_string(positions[1].sign));
    EXPECT_EQ(profileValue(document, "base", "newcode"), "10002");
    EXPECT_NE(readBytes(document).find("nick=\xC0\xEE\xC3\xF7\r\n"), std::string::npos);  // GBK on disk
    const QImage shot = program.window().dialog()->grab().toImage();
    const char* shotPath = std::getenv("QELVO_SCREENSHOT");
    EXPECT_TRUE(shot.save(QString::fromLocal8Bit(shotPath ? shotPath : QELVO_SCREENSHOT)));

    // A pick in a sign list recomputes; the same pick made by the program does not.
    auto* moon = program.control<QComboBox>(kSignList[1]);
    program.window().select(kSignList[1], 7);
    EXPECT_EQ(program.text(kMarkField[1]), chart::markFor(1, positions[1].sign));
    moon->setFocus();
    QTest::keyClick(moon, Qt::Key_Down);
    EXPECT_EQ(program.window().selection(kSignList[1]), 8);
    positions[1].sign = 8;
    EXPECT_EQ(program.text(kMarkField[1]), chart::markFor(1, 8));
    EXPECT_EQ(program.text(app::kIdConjunction), chart::computeAspects(positions).conjunction);

    program.click(app::kIdExit);
    EXPECT_FALSE(program.window().isOpen());
}

TEST(QtProgram, EnterSavesInAFieldAndBreaksTheMemoEscClosesWithoutSaving) {
    ScratchFolder folder;
    const std::filesystem::path document = folder / "persons.qelvo";
    Program program(document);
    program.type(app::kIdMemo, "ab");
    program.key(app::kIdMemo, Qt::Key_Return);
    EXPECT_EQ(program.text(app::kIdMemo), "ab\r\n");

    program.type(app::kIdName, "王芳");
    program.key(app::kIdName, Qt::Key_Return);
    EXPECT_EQ(profileValue(document, "ql_1", "nick"), "王芳");
    EXPECT_EQ(profileValue(document, "ql_1", "memo"), "ab|");  // the memo's line break as the document keeps it

    // Enter in the text part of a drop-down list saves as well, and picks nothing: a sign chosen by the program
    // stays without its mark until the user picks one.
    program.type(app::kIdName, "王芳芳");
    program.window().select(kSignList[0], 5);  // Leo: the sun's own sign, marked when picked
    program.key(kSignList[0], Qt::Key_Return);
    EXPECT_EQ(profileValue(document, "ql_1", "nick"), "王芳芳");
    EXPECT_EQ(profileValue(document, "ql_1", "sun"), "5");
    EXPECT_EQ(program.text(kMarkField[0]), "");
    program.key(app::kIdTimeZone, Qt::Key_Return);
    EXPECT_EQ(program.window().isOpen(), true);

    const std::string saved = readBytes(document);
    program.type(app::kIdName, "张伟");
    program.key(app::kIdName, Qt::Key_Escape);
    EXPECT_FALSE(program.window().isOpen());
    EXPECT_EQ(readBytes(document), saved);
}

TEST(QtProgram, TheCloseBoxClosesWithoutSaving) {
    ScratchFolder folder;
    const std::filesystem::path document = folder / "persons.qelvo";
    Program program(document);
    const std::string before = readBytes(document);
    program.type(app::kIdName, "张伟");
    program.window().dialog()->close();
    QTest::qWait(20);
    EXPECT_FALSE(program.window().isOpen());
    EXPECT_FALSE(program.window().dialog()->isVisible());
    EXPECT_EQ(readBytes(document), before);
}

TEST(QtProgram, AMouseClickInTheListShowsAPersonAndTheKeyboardDoesNot) {
    ScratchFolder folder;
    const std::filesystem::path document = folder / "persons.qelvo";
    {
        Program writer(document);
        for (const char* name : {"李明", "王芳"}) {
            writer.click(app::kIdNew);
            writer.type(app::kIdName, name);
            writer.click(app::kIdSave);
        }
        writer.click(app::kIdExit);
    }
    Program program(document);
    ASSERT_EQ(program.window().rowCount(app::kIdPersonList), 2);
    program.clickRow(1);  // newest first: 王芳, then 李明
    EXPECT_EQ(program.text(app::kIdName), "李明");
    EXPECT_EQ(program.text(app::kIdCode), "10001");
    program.key(app::kIdPersonList, Qt::Key_Up);
    EXPECT_EQ(program.window().firstSelectedRow(app::kIdPersonList), 0);
    EXPECT_EQ(program.text(app::kIdName), "李明");
    program.clickRow(0);
    EXPECT_EQ(program.text(app::kIdName), "王芳");
    program.click(app::kIdExit);
}

// The share of a picture's pixels that are not white.
double inkedShare(const QImage& image) {
    long inked = 0;
    for (int y = 0; y < image.height(); y += 2) {
        for (int x = 0; x < image.width(); x += 2)
            inked += image.pixelColor(x, y) != Qt::white ? 1 : 0;
    }
    return static_cast<double>(inked) / (image.width() / 2.0 * image.height() / 2.0);
}

TEST(QtProgram, TheChartButtonOpensTheWheelWhichFollowsTheFormAndResizes) {
    ScratchFolder folder;
    const std::filesystem::path document = folder / "persons.qelvo";
    Program program(document);
    program.type(app::kIdName, "李明");
    for (int p : {0, 1, 4}) {
        program.window().control(kSignList[static_cast<std::size_t>(p)])->setFocus();
        program.window().select(kSignList[static_cast<std::size_t>(p)], p == 4 ? 4 : 10);
        program.type(kDegreeEdit[static_cast<std::size_t>(p)], p == 1 ? "12.5" : "3");
    }
    program.click(app::kIdChart);
    QWidget* chart = program.window().chartWindow();
    ASSERT_NE(chart, nullptr);
    EXPECT_TRUE(chart->isVisible());
    EXPECT_EQ(chart->windowTitle(), fromGbk("星盘 - 10001 李明"));
    const QImage first = chart->grab().toImage();
    EXPECT_GT(inkedShare(first), 0.05);  // the ring, the planets, the legend

    // A sign picked by the user redraws the open wheel; a resize lays it out at the new size.
    auto* moon = program.control<QComboBox>(kSignList[1]);
    moon->setFocus();
    QTest::keyClick(moon, Qt::Key_Down);
    QTest::qWait(20);
    EXPECT_NE(chart->grab().toImage(), first);
    chart->resize(900, 1000);
    QTest::qWait(20);
    const QImage large = chart->grab().toImage();
    EXPECT_EQ(large.width(), 900 * large.devicePixelRatio());
    EXPECT_GT(inkedShare(large), 0.05);
    QTest::keyClick(chart, Qt::Key_Escape);
    EXPECT_FALSE(chart->isVisible());

    // A second press opens the same window again; the form's exit closes it.
    program.click(app::kIdChart);
    EXPECT_EQ(program.window().chartWindow(), chart);
    EXPECT_TRUE(chart->isVisible());
    program.click(app::kIdExit);
    EXPECT_FALSE(program.window().isOpen());
    EXPECT_FALSE(chart->isVisible());
}

TEST(QtProgram, ThePersonListShowsEveryTextWholeWideningAColumnWhereTheFontNeedsIt) {
    ScratchFolder folder;
    Program program(folder / "persons.qelvo");
    const struct {
        const char* name;
        const char* birthday;
    } people[] = {{"李明", "1991.1.2,1255"}, {"欧阳娜娜娜娜", "1988.12.31,2359"}, {"王芳", "1990.5.6"}};
    for (const auto& person : people) {
        program.click(app::kIdNew);
        program.type(app::kIdName, person.name);
        program.type(app::kIdBirthday, person.birthday);
        program.click(app::kIdSave);
    }
    auto* table = program.control<QTableWidget>(app::kIdPersonList);
    ASSERT_EQ(table->rowCount(), 3);
    // Drawn in a cell, a text keeps a margin on each side, as the style puts it; within that it must fit whole.
    const int margin = table->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, table) + 1;
    const QFontMetrics metrics(table->font());
    for (int c = 0; c < table->columnCount(); ++c) {
        SCOPED_TRACE(c);
        EXPECT_GE(table->columnWidth(c),
                  static_cast<int>(app::kPersonListColumns[static_cast<std::size_t>(c)].widthPixels));
        for (int r = 0; r < table->rowCount(); ++r) {
            const QTableWidgetItem* cell = table->item(r, c);
            if (cell != nullptr) {
                EXPECT_LE(metrics.horizontalAdvance(cell->text()) + 2 * margin, table->columnWidth(c))
                    << cell->text().toStdString();
            }
        }
    }
    // A column whose texts fit keeps the layout's width.
    EXPECT_EQ(table->columnWidth(0), app::kPersonListColumns[0].widthPixels);
    program.click(app::kIdExit);
}

// The texts of the context menu Qt gives a line edit.
QStringList lineEditMenuTexts() {
    QLineEdit edit;
    const std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
    QStringList texts;
    for (const QAction* action : menu->actions())
        if (!action->isSeparator())
            texts << action->text();
    return texts;
}

bool hasChinese(const QString& text) {
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.unicode() >= 0x4E00 && c.unicode() < 0xA000; });
}

TEST(QtProgram, QtsOwnTextsAreChineseAndWithoutTheTranslationsTheProgramStillStarts) {
    // A folder without the translations: nothing installed, Qt's texts stay as they were.
    ScratchFolder empty;
    EXPECT_EQ(
        ui::qt::installChineseQtTexts(*QCoreApplication::instance(), QString::fromStdString(empty.path().string())),
        nullptr);
    EXPECT_TRUE(lineEditMenuTexts().value(0).startsWith(QStringLiteral("&Undo")));
    {
        Program program(empty / "persons.qelvo");
        EXPECT_TRUE(program.window().isOpen());
        program.click(app::kIdExit);
    }

    QTranslator* translator = ui::qt::installChineseQtTexts(*QCoreApplication::instance());
    ASSERT_NE(translator, nullptr) << "Qt's Chinese translations are not installed (Debian: qt6-translations-l10n)";
    const QStringList menu = lineEditMenuTexts();
    EXPECT_EQ(menu.size(), 7) << menu.join(QStringLiteral(" | ")).toStdString();
    for (const QString& text : menu) {
        SCOPED_TRACE(text.toStdString());
        EXPECT_TRUE(hasChinese(text));
    }
    for (const bool save : {false, true}) {
        SCOPED_TRACE(save);
        QFileDialog dialog;
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        for (const char* name : {"lookInLabel", "fileNameLabel", "fileTypeLabel"}) {
            const auto* label = dialog.findChild<QLabel*>(QString::fromLatin1(name));
            ASSERT_NE(label, nullptr) << name;
            EXPECT_TRUE(hasChinese(label->text())) << name << ": " << label->text().toStdString();
        }
        const auto* buttons = dialog.findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
        ASSERT_NE(buttons, nullptr);
        for (const QAbstractButton* button : buttons->buttons())
            EXPECT_TRUE(hasChinese(button->text())) << button->text().toStdString();
    }
    QCoreApplication::removeTranslator(translator);
    delete translator;
}

// Run on screens of several sizes (see CMakeLists.txt): the form opens in the middle of the screen.
TEST(QtProgram, TheChartWindowOpensAboveTheFormAndBesideItWhereTheScreenHasRoom) {
    ScratchFolder folder;
    Program program(folder / "persons.qelvo");
    program.click(app::kIdChart);
    QWidget* chart = program.window().chartWindow();
    QDialog* form = program.window().dialog();
    ASSERT_NE(chart, nullptr);
    ASSERT_NE(chart->windowHandle(), nullptr);
    // Owned by the form, and on top as the form is: the window system keeps it above the form.
    EXPECT_EQ(chart->windowHandle()->transientParent(), form->windowHandle());
    EXPECT_TRUE(form->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(chart->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    // On the screen, clear of the form where a side has room for it, as wide as it wants or as the room allows.
    const QRect screen = form->screen()->availableGeometry();
    const QRect placed = chart->frameGeometry();
    const QRect owner = form->frameGeometry();
    SCOPED_TRACE(testing::Message() << "screen " << screen.width() << "x" << screen.height() << ", form "
                                    << owner.width() << " wide at " << owner.x());
    EXPECT_TRUE(screen.contains(placed));
    const int room = std::max(screen.right() - owner.right(), owner.left() - screen.left());
    const bool hasRoom = room > chart->minimumWidth() + 8;
    EXPECT_EQ(!placed.intersects(owner), hasRoom);
    if (screen.width() >= 1680) {
        EXPECT_TRUE(hasRoom);
    }
    if (hasRoom) {
        EXPECT_EQ(placed.top(), owner.top());
    }
    EXPECT_GT(inkedShare(chart->grab().toImage()), 0.05);
    program.click(app::kIdExit);
    EXPECT_FALSE(chart->isVisible());
}

TEST(QtProgram, AnOldDocumentIsConvertedOnYesAndLeftAsItWasOnNo) {
    const std::string old = "[base]\r\nnewcode=10002\r\nuLastInd=1\r\n[ql]\r\nuInd_1=10001\r\nnick_1=\xC0\xEE\r\n";
    for (const bool yes : {false, true}) {
        SCOPED_TRACE(yes);
        ScratchFolder folder;
        const std::filesystem::path document = folder / "old.qelvo";
        testing_support::writeBytes(document, old);
        BoxAnswers boxes({yes ? QMessageBox::Yes : QMessageBox::No});
        Program program(document);
        ASSERT_EQ(boxes.texts().size(), 1u);
        EXPECT_EQ(boxes.texts()[0], "文件版本过低，是否转换升级文件？");
        if (!yes) {
            EXPECT_FALSE(program.window().isOpen());
            EXPECT_FALSE(program.window().dialog()->isVisible());
            EXPECT_EQ(readBytes(document), old);
            continue;
        }
        EXPECT_TRUE(program.window().isOpen());
        EXPECT_EQ(profileValue(document, "base", "ver"), "1.0.6.18");
        EXPECT_EQ(profileValue(document, "ql_1", "nick"), "\xC0\xEE");
        EXPECT_EQ(program.window().rowCount(app::kIdPersonList), 1);
        program.click(app::kIdExit);
    }
}

TEST(QtProgram, AMissingOrFailingCalculatorSaysSoAndTheFormGoesOn) {
    ScratchFolder folder;
    const std::filesystem::path document = folder / "persons.qelvo";
    const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
    ::setenv("PATH", folder.path().c_str(), 1);
    Program program(document, folder.path());
    BoxAnswers boxes;
    program.type(app::kIdInput, "1991.1.2");
    program.click(app::kIdGetBirthday);
    ::setenv("PATH", path.c_str(), 1);
    ASSERT_EQ(boxes.texts().size(), 1u);
    EXPECT_EQ(boxes.texts()[0], "找不到计算器程序 corvina：本程序所在的文件夹和 PATH 中都没有它，无法获得行星位置。");
    EXPECT_EQ(program.text(app::kIdBirthday), "1991.1.2");
    EXPECT_EQ(program.window().selection(kSignList[0]), 0);
    EXPECT_TRUE(program.window().isOpen());
    program.click(app::kIdExit);
}

TEST(QtProgram, ACharacterOutsideGbkIsRefusedWithAMessageAndTheRestKept) {
    ScratchFolder folder;
    const std::filesystem::path document = folder / "persons.qelvo";
    Program program(document);
    BoxAnswers boxes;
    // Committed by an input method, as Chinese is typed.
    auto* name = program.control<QLineEdit>(app::kIdName);
    name->setFocus();
    QInputMethodEvent commit;
    commit.setCommitString(fromGbk("李") + QString::fromUtf8("\xF0\x9F\x98\x80") + fromGbk("明"));
    QApplication::sendEvent(name, &commit);
    QTest::qWait(50);
    EXPECT_EQ(program.text(app::kIdName), "李明");
    ASSERT_EQ(boxes.texts().size(), 1u);
    EXPECT_NE(boxes.texts()[0].find("不能存入文档"), std::string::npos);
    // In the memo too.
    program.control<QPlainTextEdit>(app::kIdMemo)->setFocus();
    Program::typeInto(program.control<QPlainTextEdit>(app::kIdMemo), QString::fromUtf8("a\xED\x95\x9C") + "b");
    QTest::qWait(50);
    EXPECT_EQ(program.text(app::kIdMemo), "ab");
    EXPECT_EQ(boxes.texts().size(), 2u);
    program.click(app::kIdSave);
    EXPECT_EQ(profileValue(document, "ql_1", "nick"), "李明");
    EXPECT_EQ(readBytes(document).find('?'), std::string::npos);
    program.click(app::kIdExit);
}

TEST(QtProgram, TypingInTheSearchFieldListsTheCardsHoldingTheText) {
    ScratchFolder folder;
    const std::filesystem::path document = folder / "persons.qelvo";
    Program program(document);
    for (const char* name : {"李明", "王芳", "李华"}) {
        program.click(app::kIdNew);
        program.type(app::kIdName, name);
        program.click(app::kIdSave);
    }
    ASSERT_EQ(program.window().rowCount(app::kIdPersonList), 3);
    program.type(app::kIdSearch, "李");
    EXPECT_EQ(program.window().rowCount(app::kIdPersonList), 2);
    EXPECT_EQ(program.text(app::kIdSearchCount), "共 2 人");
    program.clickRow(1);
    EXPECT_EQ(program.text(app::kIdName), "李明");

    // Saving keeps the search; the program's own setText raises nothing.
    program.type(app::kIdMemo, "同学");
    program.click(app::kIdSave);
    EXPECT_EQ(program.window().rowCount(app::kIdPersonList), 2);
    program.window().setText(app::kIdSearch, "王");
    EXPECT_EQ(program.window().rowCount(app::kIdPersonList), 2);
    program.type(app::kIdSearch, "同学");
    EXPECT_EQ(program.window().rowCount(app::kIdPersonList), 1);
    program.key(app::kIdSearch, Qt::Key_Backspace);
    program.key(app::kIdSearch, Qt::Key_Backspace);
    EXPECT_EQ(program.window().rowCount(app::kIdPersonList), 3);
    program.click(app::kIdExit);
}

// Chooses a command of the form's context menu by its text, and answers the file dialog it opens with file (GBK
// texts); the message boxes that follow are answered by boxes.
void chooseFromContextMenu(Program& program, const std::string& command, const std::filesystem::path& file) {
    QTimer::singleShot(50, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        for (QAction* action : menu->actions()) {
            if (action->text() == fromGbk(command)) {
                QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
                return;
            }
        }
        ADD_FAILURE() << "no such command";
        menu->close();
    });
    // The file dialog opens once the menu has closed: it is looked for until it is there.
    QTimer fileDialog;
    QObject::connect(&fileDialog, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr || !dialog->isVisible())
            return;
        fileDialog.stop();
        // As a user types the whole path into the name field and presses Enter.
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(name, nullptr);
        name->setText(QString::fromStdString(file.string()));
        QTest::keyClick(name, Qt::Key_Return);
    });
    fileDialog.start(20);
    QDialog* form = program.window().dialog();
    QContextMenuEvent menu(QContextMenuEvent::Mouse, QPoint(5, 5), form->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(form, &menu);
    QTest::qWait(500);
}

TEST(QtProgram, CardsGoOutAndComeInThroughTheContextMenuAndAFileDialog) {
    ScratchFolder folder;
    const std::filesystem::path csv = folder / "cards.csv";
    {
        Program program(folder / "from.qelvo");
        for (const char* name : {"李明", "王芳"}) {
            program.click(app::kIdNew);
            program.type(app::kIdName, name);
            program.click(app::kIdSave);
        }
        BoxAnswers boxes;
        chooseFromContextMenu(program, "导出全部卡片为 CSV(&C)...", csv);
        ASSERT_EQ(boxes.texts().size(), 1u);
        EXPECT_NE(boxes.texts()[0].find("已导出 2 张卡片"), std::string::npos) << boxes.texts()[0];
        EXPECT_EQ(readBytes(csv).rfind("\xEF\xBB\xBF", 0), 0u);  // UTF-8 with its mark, for spreadsheets
        program.click(app::kIdExit);
    }
    Program program(folder / "into.qelvo");
    BoxAnswers boxes;
    chooseFromContextMenu(program, "从 CSV 导入卡片(&I)...", csv);
    ASSERT_EQ(boxes.texts().size(), 1u);
    EXPECT_NE(boxes.texts()[0].find("已导入 2 张卡片"), std::string::npos) << boxes.texts()[0];
    ASSERT_EQ(program.window().rowCount(app::kIdPersonList), 2);
    program.clickRow(0);
    EXPECT_EQ(program.text(app::kIdName), "王芳");
    program.click(app::kIdExit);
}

TEST(QtProgram, TheAboutBoxOpensFromTheContextMenuAndF1) {
    ScratchFolder folder;
    Program program(folder / "persons.qelvo");
    QDialog* form = program.window().dialog();
    for (const bool byKey : {true, false}) {
        SCOPED_TRACE(byKey);
        QString caption, text, button;
        QTimer::singleShot(50, [&] {
            if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
                QAction* about = menu->actions().value(menu->actions().size() - 1);
                EXPECT_EQ(about->text(), fromGbk("关于 Qelvo(&A)..."));
                QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(about).center());
            }
        });
        QTimer::singleShot(200, [&] {
            auto* about = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(about, nullptr);
            caption = about->windowTitle();
            text = about->findChildren<QLabel*>().value(1)->text();
            button = about->findChild<QPushButton*>()->text();
            about->accept();
        });
        if (byKey) {
            QTest::keyClick(form, Qt::Key_F1);
        } else {
            QContextMenuEvent menu(QContextMenuEvent::Mouse, QPoint(5, 5), form->mapToGlobal(QPoint(5, 5)));
            QApplication::sendEvent(form, &menu);
        }
        QTest::qWait(300);
        EXPECT_EQ(caption, fromGbk("关于 Qelvo"));
        // The version, then the licence: free software under the GPL, without warranty.
        EXPECT_TRUE(text.startsWith(fromGbk("Qelvo Version 1.0\n"))) << text.toStdString();
        EXPECT_TRUE(text.contains(fromGbk("GNU GPL 3.0 或更新版本")));
        EXPECT_TRUE(text.contains(fromGbk("不提供任何担保")));
        EXPECT_EQ(button, fromGbk("确定"));
    }
    program.click(app::kIdExit);
}

}  // namespace

int main(int argc, char** argv) {
    // Qt's own dialogs, which the tests can reach; the program itself uses the desktop's where there is one.
    QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
