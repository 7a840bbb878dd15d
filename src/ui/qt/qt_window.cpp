#include "ui/qt/qt_window.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDialog>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QShortcut>
#include <QTableWidget>
#include <QTimer>

#include <cmath>
#include <map>

#include "ui/qt/gbk_text.h"
#include "ui/qt/qt_chart_window.h"
#include "util/text_codec.h"

namespace ui::qt {

namespace {

// A dialog whose Esc, close box and context menu go to the form's window rather than closing it on their own.
class FormDialog final : public QDialog {
  public:
    std::function<void()> cancel;
    std::function<void(const QPoint&)> contextMenu;
    bool ending = false;

    void reject() override {
        if (ending || !cancel)
            QDialog::reject();
        else
            cancel();
    }

  protected:
    void closeEvent(QCloseEvent* event) override {
        if (ending || !cancel) {
            QDialog::closeEvent(event);
            return;
        }
        event->ignore();
        cancel();
    }
    void contextMenuEvent(QContextMenuEvent* event) override {
        if (contextMenu)
            contextMenu(event->globalPos());
    }
};

// Hands a widget's events to a function.
class EventFilter final : public QObject {
  public:
    EventFilter(QObject* parent, std::function<void(QEvent*)> handle) : QObject(parent), handle_(std::move(handle)) {}
    bool eventFilter(QObject*, QEvent* event) override {
        handle_(event);
        return false;
    }

  private:
    std::function<void(QEvent*)> handle_;
};

// A column's width as the layout gives it, kept with its header.
constexpr int kLayoutWidthRole = Qt::UserRole + 1;

// Every column as wide as the layout makes it, or as its widest text and its title need where the dialog font draws
// them wider than the layout's (the birthday with its time of day in a CJK font): no text is cut short.
void widenColumnsToTheirTexts(QTableWidget& table) {
    for (int c = 0; c < table.columnCount(); ++c) {
        const QTableWidgetItem* header = table.horizontalHeaderItem(c);
        const int layout = header != nullptr ? header->data(kLayoutWidthRole).toInt() : table.columnWidth(c);
        const QAbstractItemView& view = table;  // its size hint is public there
        const int needed = std::max(view.sizeHintForColumn(c), table.horizontalHeader()->sectionSizeHint(c));
        table.setColumnWidth(c, std::max(layout, needed));
    }
}

QString gbkText(std::string_view text) {
    return withQtLineBreaks(fromGbk(text));
}

std::string gbkOf(const QString& text) {
    // The controls never hold a character outside GBK (edits refuse them), so this is exact.
    const std::optional<std::string> gbk = toGbk(text);
    if (gbk)
        return *gbk;
    const QByteArray utf8 = text.toUtf8();
    const std::string_view bytes(utf8.constData(), static_cast<std::size_t>(utf8.size()));
    return util::utf8ToGbk(bytes, true).value_or(std::string());
}

// Removes from text every character that GBK cannot hold, keeping the cursor where it was among the others; the
// first removed, or empty when nothing was.
QString removeCharactersOutsideGbk(QString& text, int& cursor) {
    QString refused;
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype length = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QString character = text.mid(i, length);
        if (toGbk(character)) {
            i += length;
            continue;
        }
        if (refused.isEmpty())
            refused = character;
        text.remove(i, length);
        if (cursor > i)
            cursor = static_cast<int>(std::max<qsizetype>(i, cursor - length));
    }
    return refused;
}

}  // namespace

QFont dialogFont(int points) {
    static const char* const kPreferred[] = {"WenQuanYi Micro Hei", "Noto Sans CJK SC",    "Source Han Sans SC",
                                             "Noto Sans SC",        "Droid Sans Fallback", "WenQuanYi Zen Hei",
                                             "AR PL UMing CN"};
    const QStringList families = QFontDatabase::families();
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    for (const char* name : kPreferred) {
        if (families.contains(QString::fromLatin1(name), Qt::CaseInsensitive)) {
            font = QFont(QString::fromLatin1(name));
            break;
        }
    }
    font.setPointSize(points);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

DialogUnits::DialogUnits(const QFont& font) {
    // As Windows measures a dialog font: the width of the 52 letters, halved per letter and rounded, and the
    // font's height.
    const QFontMetrics metrics(font);
    const int letters =
        metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    baseX = std::max(1, (letters / 26 + 1) / 2);
    baseY = std::max(1, metrics.height());
}

int DialogUnits::x(int units) const {
    return static_cast<int>(std::lround(units * baseX / 4.0));
}

int DialogUnits::y(int units) const {
    return static_cast<int>(std::lround(units * baseY / 8.0));
}

struct QtWindow::Impl {
    const DialogSpec& spec;
    WindowExtras extras;
    QFont font;
    DialogUnits units;
    std::unique_ptr<FormDialog> dialog;
    std::map<int, QWidget*> controls;
    std::map<int, ControlKind> kinds;
    FormEvents* events = nullptr;
    bool closed = false;
    bool opened = false;
    QPointer<QtChartWindow> chart;  // a child of the dialog: it closes and goes with the form

    Impl(const DialogSpec& s, WindowExtras e)
        : spec(s), extras(std::move(e)), font(dialogFont(s.fontPoints)), units(font) {
        build();
    }

    QWidget* item(int id) const {
        const auto it = controls.find(id);
        return it == controls.end() ? nullptr : it->second;
    }
    template <typename T>
    T* itemAs(int id) const {
        return dynamic_cast<T*>(item(id));
    }

    QRect pixels(const Rect& r) const { return QRect(units.x(r.x), units.y(r.y), units.x(r.width), units.y(r.height)); }

    void build() {
        dialog = std::make_unique<FormDialog>();
        dialog->setFont(font);
        dialog->setWindowTitle(fromGbk(spec.caption));
        Qt::WindowFlags flags = Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint;
        if (spec.topmost)
            flags |= Qt::WindowStaysOnTopHint;
        dialog->setWindowFlags(flags);
        dialog->setFixedSize(units.x(spec.width), units.y(spec.height));
        if (!extras.icon.isNull())
            dialog->setWindowIcon(extras.icon);
        for (const ControlSpec& c : spec.controls)
            create(c);
        QWidget* previous = nullptr;
        for (int id : spec.tabOrder) {
            QWidget* next = item(id);
            if (previous && next)
                QWidget::setTabOrder(previous, next);
            if (next)
                previous = next;
        }
        dialog->contextMenu = [this](const QPoint& where) { contextMenu(where); };
        auto* about = new QShortcut(QKeySequence(Qt::Key_F1), dialog.get());
        QObject::connect(about, &QShortcut::activated, dialog.get(), [this] { showAbout(); });
    }

    void create(const ControlSpec& c) {
        QWidget* widget = nullptr;
        const bool tabStop = (c.styles & style::kTabStop) != 0;
        switch (c.kind) {
            case ControlKind::Edit:
                widget = (c.styles & style::kMultiLine) ? createMemo(c) : createLine(c);
                break;
            case ControlKind::DropDownList:
                widget = createList(c);
                break;
            case ControlKind::ReportList:
                widget = createReport(c);
                break;
            case ControlKind::StaticText: {
                auto* label = new QLabel(gbkText(c.text), dialog.get());
                label->setWordWrap(true);
                label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
                label->setTextFormat(Qt::PlainText);
                widget = label;
                break;
            }
            case ControlKind::Button: {
                auto* button = new QPushButton(gbkText(c.text), dialog.get());
                button->setAutoDefault(true);
                button->setDefault(c.id == spec.defaultButton || (c.styles & style::kDefaultButton));
                const int id = c.id;
                QObject::connect(button, &QPushButton::clicked, dialog.get(), [this, id] {
                    if (events)
                        events->onCommand(id);
                });
                widget = button;
                break;
            }
        }
        widget->setGeometry(pixels(c.rect));
        if (c.kind == ControlKind::DropDownList)
            widget->resize(widget->width(), std::min(units.y(c.rect.height), units.y(14)));
        if (c.kind != ControlKind::StaticText)
            widget->setFocusPolicy(tabStop ? Qt::StrongFocus : Qt::ClickFocus);
        if (c.id != kNoId) {
            controls[c.id] = widget;
            kinds[c.id] = c.kind;
        }
    }

    QWidget* createLine(const ControlSpec& c) {
        auto* edit = new QLineEdit(fromGbk(c.text), dialog.get());
        edit->setFrame((c.styles & style::kBorder) != 0);
        guard(edit);
        // Only the user's changes (typing, pasting, deleting; after the guard above has had its say): setText raises
        // nothing.
        if (c.id != kNoId) {
            const int id = c.id;
            QObject::connect(edit, &QLineEdit::textEdited, dialog.get(), [this, id] {
                if (events)
                    events->onEditChange(id);
            });
        }
        return edit;
    }

    QWidget* createMemo(const ControlSpec& c) {
        auto* memo = new QPlainTextEdit(gbkText(c.text), dialog.get());
        memo->setTabChangesFocus(true);
        memo->setVerticalScrollBarPolicy((c.styles & style::kVScroll) ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
        memo->setFrameShape((c.styles & style::kBorder) ? QFrame::StyledPanel : QFrame::NoFrame);
        QObject::connect(memo, &QPlainTextEdit::textChanged, memo, [this, memo] {
            QString text = memo->toPlainText();
            int cursor = memo->textCursor().position();
            const QString refused = removeCharactersOutsideGbk(text, cursor);
            if (refused.isEmpty())
                return;
            const QSignalBlocker quiet(memo);
            memo->setPlainText(text);
            QTextCursor at = memo->textCursor();
            at.setPosition(std::min(cursor, static_cast<int>(text.size())));
            memo->setTextCursor(at);
            refuse(refused);
        });
        return memo;
    }

    QWidget* createList(const ControlSpec& c) {
        auto* list = new QComboBox(dialog.get());
        if (c.styles & style::kDropDown) {
            list->setEditable(true);
            list->setInsertPolicy(QComboBox::NoInsert);
            list->setCompleter(nullptr);
            guard(list->lineEdit());
        }
        list->setMaxVisibleItems(std::max(5, (c.rect.height - 14) / 9));
        const int id = c.id;
        // Only the user's picks: a programmatic selection raises nothing.
        QObject::connect(list, &QComboBox::activated, dialog.get(), [this, id] {
            if (events)
                events->onSelectionChange(id);
        });
        return list;
    }

    QWidget* createReport(const ControlSpec& c) {
        auto* table = new QTableWidget(dialog.get());
        table->setShowGrid((c.styles & style::kGridLines) != 0);
        table->setSelectionBehavior((c.styles & style::kFullRowSelect) ? QAbstractItemView::SelectRows
                                                                       : QAbstractItemView::SelectItems);
        table->setSelectionMode((c.styles & style::kMultiSelect) ? QAbstractItemView::ExtendedSelection
                                                                 : QAbstractItemView::SingleSelection);
        table->setEditTriggers(QAbstractItemView::NoEditTriggers);
        table->setTabKeyNavigation(false);
        table->setWordWrap(false);
        table->verticalHeader()->hide();
        table->verticalHeader()->setDefaultSectionSize(QFontMetrics(font).height() + 4);
        table->horizontalHeader()->setHighlightSections(false);
        table->horizontalHeader()->setStretchLastSection(false);
        table->setFrameShape((c.styles & style::kBorder) ? QFrame::StyledPanel : QFrame::NoFrame);
        // A click is the mouse button coming up in the list, wherever it is, as the Windows list reports it; the
        // selection has changed by then. Keyboard moves report nothing.
        const int id = c.id;
        table->viewport()->installEventFilter(new EventFilter(table, [this, id](QEvent* event) {
            if (event->type() != QEvent::MouseButtonRelease)
                return;
            if (static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton || !events)
                return;
            QTimer::singleShot(0, dialog.get(), [this, id] {
                if (events)
                    events->onListClick(id);
            });
        }));
        return table;
    }

    // A line edit refuses a character that GBK cannot hold, typed, pasted or committed by an input method.
    void guard(QLineEdit* edit) {
        QObject::connect(edit, &QLineEdit::textEdited, edit, [this, edit](const QString& typed) {
            QString text = typed;
            int cursor = edit->cursorPosition();
            const QString refused = removeCharactersOutsideGbk(text, cursor);
            if (refused.isEmpty())
                return;
            edit->setText(text);
            edit->setCursorPosition(cursor);
            refuse(refused);
        });
    }

    void refuse(const QString& character) {
        const QString text =
            fromGbk("“") + character + fromGbk("”不能存入文档：文档的文字用GBK编码，其中没有这个字符。已去掉它。");
        QTimer::singleShot(0, dialog.get(), [this, text] { showBox(QMessageBox::Warning, text, fromGbk("提示")); });
    }

    int showBox(QMessageBox::Icon icon,
                const QString& text,
                const QString& caption,
                QMessageBox::StandardButtons buttons = QMessageBox::Ok) {
        QMessageBox box(icon, caption, text, buttons, dialog.get());
        box.setTextFormat(Qt::PlainText);
        box.setFont(font);
        if (QAbstractButton* ok = box.button(QMessageBox::Ok))
            ok->setText(fromGbk("确定"));
        if (QAbstractButton* yes = box.button(QMessageBox::Yes))
            yes->setText(fromGbk("是(&Y)"));
        if (QAbstractButton* no = box.button(QMessageBox::No))
            no->setText(fromGbk("否(&N)"));
        if (buttons & QMessageBox::Yes)
            box.setDefaultButton(QMessageBox::Yes);
        return box.exec();
    }

    // The form's context menu: the commands the Windows program has in its system menu, then the About box.
    void contextMenu(const QPoint& where) {
        QMenu menu(dialog.get());
        std::map<QAction*, int> commands;
        for (const MenuItemSpec& item : spec.systemMenu)
            commands[menu.addAction(gbkText(item.text))] = item.id;
        QAction* about = nullptr;
        if (!extras.aboutMenuText.empty()) {
            if (!commands.empty())
                menu.addSeparator();
            about = menu.addAction(gbkText(extras.aboutMenuText));
            about->setShortcut(QKeySequence(Qt::Key_F1));
        }
        if (menu.isEmpty())
            return;
        QAction* chosen = menu.exec(where);
        if (chosen != nullptr && chosen == about) {
            showAbout();
            return;
        }
        const auto command = commands.find(chosen);
        if (command != commands.end() && events)
            events->onCommand(command->second);
    }

    void showAbout() {
        QDialog about(dialog.get());
        about.setFont(font);
        about.setWindowTitle(fromGbk(extras.aboutCaption));
        about.setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
        about.setFixedSize(units.x(235), units.y(55));
        auto* icon = new QLabel(&about);
        icon->setPixmap(extras.icon.pixmap(32, 32));
        icon->setGeometry(units.x(11), units.y(17), 32, 32);
        auto* text = new QLabel(gbkText(extras.aboutText), &about);
        text->setGeometry(pixels({40, 8, 134, 40}));  // five lines: the version and the licence
        text->setTextFormat(Qt::PlainText);
        auto* ok = new QPushButton(gbkText(extras.aboutButton), &about);
        ok->setGeometry(pixels({178, 7, 50, 16}));
        ok->setDefault(true);
        QObject::connect(ok, &QPushButton::clicked, &about, &QDialog::accept);
        about.exec();
    }
};

QtWindow::QtWindow(const DialogSpec& spec, WindowExtras extras)
    : impl_(std::make_unique<Impl>(spec, std::move(extras))) {}

QtWindow::~QtWindow() = default;

void QtWindow::open(FormEvents& events, const std::function<void()>& created) {
    impl_->events = &events;
    impl_->dialog->cancel = [this] {
        if (impl_->events)
            impl_->events->onCommand(kIdCancel);
    };
    if (created)
        created();
    if (impl_->closed)
        return;
    // The focus starts at the first control of the tab order that takes it.
    for (int id : impl_->spec.tabOrder) {
        QWidget* control = impl_->item(id);
        if (control && control->focusPolicy() == Qt::StrongFocus) {
            control->setFocus(Qt::TabFocusReason);
            break;
        }
    }
    impl_->opened = true;
    impl_->dialog->show();
    impl_->dialog->activateWindow();
}

int QtWindow::run(FormEvents& events, const std::function<void()>& created) {
    open(events, created);
    if (impl_->closed)
        return 0;
    impl_->dialog->exec();
    return 0;
}

bool QtWindow::isOpen() const {
    return impl_->opened && !impl_->closed;
}

QDialog* QtWindow::dialog() const {
    return impl_->dialog.get();
}

QWidget* QtWindow::control(int id) const {
    return impl_->item(id);
}

void QtWindow::showAbout() {
    impl_->showAbout();
}

std::string QtWindow::caption() const {
    return gbkOf(impl_->dialog->windowTitle());
}

void QtWindow::setCaption(std::string_view caption) {
    impl_->dialog->setWindowTitle(fromGbk(caption));
}

std::string QtWindow::text(int id) const {
    QWidget* control = impl_->item(id);
    if (auto* edit = dynamic_cast<QLineEdit*>(control))
        return gbkOf(edit->text());
    if (auto* memo = dynamic_cast<QPlainTextEdit*>(control))
        return gbkOf(withWindowsLineBreaks(memo->toPlainText()));
    if (auto* list = dynamic_cast<QComboBox*>(control))
        return gbkOf(list->currentText());
    if (auto* label = dynamic_cast<QLabel*>(control))
        return gbkOf(withWindowsLineBreaks(label->text()));
    if (auto* button = dynamic_cast<QAbstractButton*>(control))
        return gbkOf(button->text());
    return {};
}

void QtWindow::setText(int id, std::string_view text) {
    QWidget* control = impl_->item(id);
    if (auto* edit = dynamic_cast<QLineEdit*>(control))
        edit->setText(fromGbk(text));
    else if (auto* memo = dynamic_cast<QPlainTextEdit*>(control))
        memo->setPlainText(gbkText(text));
    else if (auto* list = dynamic_cast<QComboBox*>(control); list && list->isEditable())
        list->setEditText(fromGbk(text));
    else if (auto* label = dynamic_cast<QLabel*>(control))
        label->setText(gbkText(text));
    else if (auto* button = dynamic_cast<QAbstractButton*>(control))
        button->setText(gbkText(text));
}

void QtWindow::setItems(int id, const std::vector<std::string>& items) {
    auto* list = impl_->itemAs<QComboBox>(id);
    if (!list)
        return;
    const QSignalBlocker quiet(list);
    list->clear();
    for (const std::string& entry : items)
        list->addItem(fromGbk(entry));
    list->setCurrentIndex(-1);
}

int QtWindow::itemCount(int id) const {
    const auto* list = impl_->itemAs<QComboBox>(id);
    return list ? list->count() : 0;
}

int QtWindow::selection(int id) const {
    const auto* list = impl_->itemAs<QComboBox>(id);
    return list ? list->currentIndex() : -1;
}

void QtWindow::select(int id, int position) {
    auto* list = impl_->itemAs<QComboBox>(id);
    if (!list)
        return;
    const QSignalBlocker quiet(list);
    list->setCurrentIndex(position >= 0 && position < list->count() ? position : -1);
}

void QtWindow::setColumns(int id, const std::vector<ColumnSpec>& columns) {
    auto* table = impl_->itemAs<QTableWidget>(id);
    if (!table)
        return;
    table->setRowCount(0);
    table->setColumnCount(static_cast<int>(columns.size()));
    for (int i = 0; i < static_cast<int>(columns.size()); ++i) {
        const ColumnSpec& column = columns[static_cast<std::size_t>(i)];
        auto* header = new QTableWidgetItem(fromGbk(column.title));
        header->setTextAlignment(column.centred ? Qt::AlignCenter : Qt::AlignLeft | Qt::AlignVCenter);
        header->setData(Qt::UserRole, column.centred);
        header->setData(kLayoutWidthRole, column.widthPixels);
        table->setHorizontalHeaderItem(i, header);
        table->setColumnWidth(i, column.widthPixels);  // logical pixels, as the Windows list takes them
    }
}

void QtWindow::setRows(int id, std::vector<std::vector<std::string>> rows) {
    auto* table = impl_->itemAs<QTableWidget>(id);
    if (!table)
        return;
    table->setUpdatesEnabled(false);
    table->clearSelection();
    table->setRowCount(0);
    table->setRowCount(static_cast<int>(rows.size()));
    const int columns = table->columnCount();
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        const std::vector<std::string>& cells = rows[static_cast<std::size_t>(r)];
        for (int c = 0; c < columns && c < static_cast<int>(cells.size()); ++c) {
            auto* cell = new QTableWidgetItem(fromGbk(cells[static_cast<std::size_t>(c)]));
            // As the Windows list draws them: the first column on the left, the others as their column says.
            const QTableWidgetItem* header = table->horizontalHeaderItem(c);
            const bool centred = c > 0 && header && header->data(Qt::UserRole).toBool();
            cell->setTextAlignment(centred ? Qt::AlignCenter : Qt::AlignLeft | Qt::AlignVCenter);
            table->setItem(r, c, cell);
        }
    }
    table->setCurrentItem(nullptr);
    widenColumnsToTheirTexts(*table);
    table->setUpdatesEnabled(true);
}

int QtWindow::rowCount(int id) const {
    const auto* table = impl_->itemAs<QTableWidget>(id);
    return table ? table->rowCount() : 0;
}

int QtWindow::firstSelectedRow(int id) const {
    const auto* table = impl_->itemAs<QTableWidget>(id);
    if (!table)
        return -1;
    int first = -1;
    for (const QModelIndex& index : table->selectionModel()->selectedRows())
        if (first < 0 || index.row() < first)
            first = index.row();
    return first;
}

int QtWindow::focus() const {
    // The focus may sit in a part of a control (the edit of a drop-down list).
    for (QWidget* w = impl_->dialog->focusWidget(); w; w = w->parentWidget())
        for (const auto& [id, control] : impl_->controls)
            if (control == w)
                return id;
    return kNoId;
}

void QtWindow::setFocus(int id) {
    if (QWidget* control = impl_->item(id))
        control->setFocus(Qt::TabFocusReason);
}

void QtWindow::messageBox(std::string_view text, std::string_view caption) {
    impl_->showBox(QMessageBox::NoIcon, gbkText(text), fromGbk(caption));
}

Answer QtWindow::ask(std::string_view text, std::string_view caption) {
    const int answer =
        impl_->showBox(QMessageBox::Question, gbkText(text), fromGbk(caption), QMessageBox::Yes | QMessageBox::No);
    return answer == QMessageBox::Yes ? Answer::Yes : Answer::No;
}

std::optional<std::filesystem::path> QtWindow::chooseFile(bool save,
                                                          std::string_view title,
                                                          const std::vector<FileFilter>& filters) {
    QStringList offered;
    for (const FileFilter& filter : filters)
        offered.append(fromGbk(filter.description));
    QFileDialog dialog(impl_->dialog.get(), fromGbk(title));
    dialog.setNameFilters(offered);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (save && !filters.empty()) {
        // The first filter's extension for a name typed without one ("*.csv" gives "csv").
        const QString pattern =
            QString::fromLatin1(filters.front().pattern.data(), static_cast<qsizetype>(filters.front().pattern.size()));
        if (pattern.startsWith(QLatin1String("*.")) && pattern.indexOf(QLatin1Char('*'), 2) < 0)
            dialog.setDefaultSuffix(pattern.mid(2));
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    const QByteArray utf8 = dialog.selectedFiles().front().toUtf8();
    return std::filesystem::path(
        std::u8string(reinterpret_cast<const char8_t*>(utf8.constData()), static_cast<std::size_t>(utf8.size())));
}

void QtWindow::close() {
    if (impl_->chart)
        impl_->chart->close();
    impl_->closed = true;
    impl_->dialog->ending = true;
    if (impl_->dialog->isVisible())
        impl_->dialog->done(QDialog::Rejected);
}

void QtWindow::showChart(const chart::WheelChart& chart) {
    const bool opening = !impl_->chart;
    if (opening)
        impl_->chart = new QtChartWindow(impl_->dialog.get());
    impl_->chart->setChart(chart);
    if (opening)
        impl_->chart->placeBesideForm();
    impl_->chart->show();
    impl_->chart->raise();
    impl_->chart->activateWindow();
}

void QtWindow::updateChart(const chart::WheelChart& chart) {
    if (impl_->chart && impl_->chart->isVisible())
        impl_->chart->setChart(chart);
}

QWidget* QtWindow::chartWindow() const {
    return impl_->chart.data();
}

}  // namespace ui::qt
