#include "ui/headless/headless_window.h"

#include <cassert>
#include <cstdlib>

namespace ui::headless {

HeadlessWindow::HeadlessWindow(const DialogSpec& spec) : spec_(spec), caption_(spec.caption) {
    for (const ControlSpec& c : spec.controls) {
        if (c.id == kNoId)
            continue;
        Control& made = controls_[c.id];
        made.kind = c.kind;
        made.styles = c.styles;
        if (c.kind != ControlKind::DropDownList && c.kind != ControlKind::ReportList)
            made.text = c.text;
    }
    if (!spec.tabOrder.empty())
        focus_ = spec.tabOrder.front();
}

// Addressing a control that the layout does not have, or one of another kind, is a mistake of the caller.
HeadlessWindow::Control& HeadlessWindow::anyControl(int id) {
    auto it = controls_.find(id);
    if (it == controls_.end())
        std::abort();
    return it->second;
}

const HeadlessWindow::Control& HeadlessWindow::anyControl(int id) const {
    auto it = controls_.find(id);
    if (it == controls_.end())
        std::abort();
    return it->second;
}

HeadlessWindow::Control& HeadlessWindow::control(int id, ControlKind kind) {
    Control& c = anyControl(id);
    if (c.kind != kind)
        std::abort();
    return c;
}

const HeadlessWindow::Control& HeadlessWindow::control(int id, ControlKind kind) const {
    const Control& c = anyControl(id);
    if (c.kind != kind)
        std::abort();
    return c;
}

bool HeadlessWindow::textual(const Control& c) const {
    return c.kind == ControlKind::Edit || c.kind == ControlKind::StaticText || c.kind == ControlKind::Button;
}

std::string HeadlessWindow::text(int id) const {
    const Control& c = anyControl(id);
    if (c.kind == ControlKind::DropDownList)
        return c.selection >= 0 ? c.items[static_cast<std::size_t>(c.selection)] : std::string();
    if (!textual(c))
        std::abort();
    return c.text;
}

void HeadlessWindow::setText(int id, std::string_view text) {
    Control& c = anyControl(id);
    if (!textual(c))
        std::abort();
    c.text = text;
}

void HeadlessWindow::setItems(int id, const std::vector<std::string>& items) {
    Control& c = control(id, ControlKind::DropDownList);
    c.items = items;
    c.selection = -1;
}

int HeadlessWindow::itemCount(int id) const {
    return static_cast<int>(control(id, ControlKind::DropDownList).items.size());
}

std::vector<std::string> HeadlessWindow::items(int id) const {
    return control(id, ControlKind::DropDownList).items;
}

int HeadlessWindow::selection(int id) const {
    return control(id, ControlKind::DropDownList).selection;
}

void HeadlessWindow::select(int id, int position) {
    Control& c = control(id, ControlKind::DropDownList);
    c.selection = position >= 0 && position < static_cast<int>(c.items.size()) ? position : -1;
}

void HeadlessWindow::setColumns(int id, const std::vector<ColumnSpec>& columns) {
    control(id, ControlKind::ReportList).columns = columns;
}

const std::vector<ColumnSpec>& HeadlessWindow::columns(int id) const {
    return control(id, ControlKind::ReportList).columns;
}

void HeadlessWindow::setRows(int id, std::vector<std::vector<std::string>> rows) {
    Control& c = control(id, ControlKind::ReportList);
    c.rows = std::move(rows);
    c.selectedRows.assign(c.rows.size(), false);
}

int HeadlessWindow::rowCount(int id) const {
    return static_cast<int>(control(id, ControlKind::ReportList).rows.size());
}

const std::vector<std::string>& HeadlessWindow::row(int id, int row) const {
    return control(id, ControlKind::ReportList).rows.at(static_cast<std::size_t>(row));
}

int HeadlessWindow::firstSelectedRow(int id) const {
    const Control& c = control(id, ControlKind::ReportList);
    for (std::size_t i = 0; i < c.selectedRows.size(); ++i)
        if (c.selectedRows[i])
            return static_cast<int>(i);
    return -1;
}

void HeadlessWindow::setFocus(int id) {
    const Control& c = anyControl(id);
    if (c.kind == ControlKind::StaticText)
        std::abort();
    focus_ = id;
}

void HeadlessWindow::messageBox(std::string_view text, std::string_view caption) {
    dialogs_.push_back({DialogRecord::Kind::Message, std::string(text), std::string(caption), Answer::No, focus_});
}

Answer HeadlessWindow::ask(std::string_view text, std::string_view caption) {
    Answer answer = Answer::No;
    if (!answers_.empty()) {
        answer = answers_.front();
        answers_.pop_front();
    }
    dialogs_.push_back({DialogRecord::Kind::Question, std::string(text), std::string(caption), answer, focus_});
    return answer;
}

void HeadlessWindow::type(int id, std::string_view text) {
    if (closed_)
        return;
    Control& c = control(id, ControlKind::Edit);
    setFocus(id);
    if (c.text == text)
        return;
    setText(id, text);
    if (events_ != nullptr)
        events_->onEditChange(id);
}

void HeadlessWindow::choose(int id, int position) {
    if (closed_)
        return;
    Control& c = control(id, ControlKind::DropDownList);
    assert(position >= 0 && position < static_cast<int>(c.items.size()));
    focus_ = id;
    c.selection = position;
    if (events_ != nullptr)
        events_->onSelectionChange(id);
}

void HeadlessWindow::click(int id) {
    if (closed_)
        return;
    control(id, ControlKind::Button);
    focus_ = id;
    if (events_ != nullptr)
        events_->onCommand(id);
}

void HeadlessWindow::clickRow(int id, int row) {
    if (closed_)
        return;
    moveToRow(id, row);
    if (events_ != nullptr)
        events_->onListClick(id);
}

void HeadlessWindow::keyToRow(int id, int row) {
    if (!closed_)
        moveToRow(id, row);
}

void HeadlessWindow::moveToRow(int id, int row) {
    Control& c = control(id, ControlKind::ReportList);
    focus_ = id;
    c.selectedRows.assign(c.rows.size(), false);
    if (row >= 0 && row < static_cast<int>(c.rows.size()))
        c.selectedRows[static_cast<std::size_t>(row)] = true;
}

void HeadlessWindow::pressEnter() {
    if (closed_)
        return;
    auto it = controls_.find(focus_);
    if (it != controls_.end()) {
        Control& c = it->second;
        if (c.kind == ControlKind::Edit && (c.styles & style::kMultiLine) && (c.styles & style::kWantReturn)) {
            c.text += "\r\n";
            if (events_ != nullptr)
                events_->onEditChange(focus_);
            return;
        }
        if (c.kind == ControlKind::Button) {
            click(focus_);
            return;
        }
    }
    if (events_ != nullptr)
        events_->onCommand(spec_.defaultButton);
}

void HeadlessWindow::pressEscape() {
    if (!closed_ && events_ != nullptr)
        events_->onCommand(kIdCancel);
}

void HeadlessWindow::closeBox() {
    pressEscape();
}

void HeadlessWindow::deliverCopyData(std::string_view bytes) {
    if (!closed_ && events_ != nullptr)
        events_->onCopyData(bytes);
}

void HeadlessWindow::showChart(const chart::WheelChart& chart) {
    chartOpen_ = true;
    chart_ = chart;
    ++chartDraws_;
}

void HeadlessWindow::updateChart(const chart::WheelChart& chart) {
    if (!chartOpen_)
        return;
    chart_ = chart;
    ++chartDraws_;
}

}  // namespace ui::headless

namespace ui::headless {

std::optional<std::filesystem::path> HeadlessWindow::chooseFile(bool save,
                                                                std::string_view title,
                                                                const std::vector<FileFilter>&) {
    fileDialogs_.push_back((save ? "save: " : "open: ") + std::string(title));
    if (files_.empty())
        return std::nullopt;
    std::optional<std::filesystem::path> file = std::move(files_.front());
    files_.pop_front();
    return file;
}

void HeadlessWindow::chooseMenu(int id) {
    bool offered = false;
    for (const MenuItemSpec& item : spec_.systemMenu)
        offered = offered || item.id == id;
    if (!offered)
        std::abort();
    if (!closed_ && events_ != nullptr)
        events_->onCommand(id);
}

}  // namespace ui::headless
