#pragma once

#include <deque>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "ui/window.h"

// A complete window backend in memory: it builds every control of a dialog layout, keeps each control's state, and
// plays the user's part (typing, choosing, clicking, keys), forwarding the events a real window system would raise
// to the attached form. Questions are answered from a script; every message box and question is recorded.
namespace ui::headless {

struct DialogRecord {
    enum class Kind { Message, Question };
    Kind kind = Kind::Message;
    std::string text;
    std::string caption;
    Answer answer = Answer::No;  // questions only
    int focusBefore = kNoId;     // where the focus was when the box came up
};

class HeadlessWindow final : public Window {
  public:
    explicit HeadlessWindow(const DialogSpec& spec);

    void attach(FormEvents* events) { events_ = events; }

    // Window
    std::string caption() const override { return caption_; }
    void setCaption(std::string_view caption) override { caption_ = caption; }
    std::string text(int id) const override;
    void setText(int id, std::string_view text) override;
    void setItems(int id, const std::vector<std::string>& items) override;
    int itemCount(int id) const override;
    int selection(int id) const override;
    void select(int id, int position) override;
    void setColumns(int id, const std::vector<ColumnSpec>& columns) override;
    void setRows(int id, std::vector<std::vector<std::string>> rows) override;
    int rowCount(int id) const override;
    int firstSelectedRow(int id) const override;
    int focus() const override { return focus_; }
    void setFocus(int id) override;
    void messageBox(std::string_view text, std::string_view caption) override;
    Answer ask(std::string_view text, std::string_view caption) override;
    void close() override {
        closed_ = true;
        chartOpen_ = false;
    }
    void showChart(const chart::WheelChart& chart) override;
    void updateChart(const chart::WheelChart& chart) override;
    std::optional<std::filesystem::path> chooseFile(bool save,
                                                    std::string_view title,
                                                    const std::vector<FileFilter>& filters) override;

    // The user's actions; none has any effect once the form is closed.
    void type(int id, std::string_view text);  // focus into the field and replace its text (an edit change)
    void choose(int id, int position);         // pick an entry of a drop-down list
    void click(int id);                        // a button
    void clickRow(int id, int row);            // mouse: selects only that row (row -1: the empty area below)
    void keyToRow(int id, int row);            // keyboard: moves the selection, raises nothing
    void pressEnter();
    void pressEscape();
    void closeBox();
    void deliverCopyData(std::string_view bytes);
    void closeChart() { chartOpen_ = false; }  // the chart window's close box
    void chooseMenu(int id);                   // a command of the system menu

    // The script of files the file dialogs choose, used in order; a dialog without one is cancelled.
    void chooseFileNext(std::optional<std::filesystem::path> file) { files_.push_back(std::move(file)); }
    // The titles of the file dialogs shown, "save: " or "open: " before each.
    const std::vector<std::string>& fileDialogs() const { return fileDialogs_; }

    // The script of answers to questions, used in order; a question without one is answered No.
    void answerNext(Answer answer) { answers_.push_back(answer); }

    bool closed() const { return closed_; }
    const std::vector<DialogRecord>& dialogs() const { return dialogs_; }
    std::vector<std::string> items(int id) const;
    const std::vector<ColumnSpec>& columns(int id) const;
    const std::vector<std::string>& row(int id, int row) const;
    const DialogSpec& spec() const { return spec_; }
    // The chart window: whether it is open, the chart it shows, and how often it was given one.
    bool chartOpen() const { return chartOpen_; }
    const chart::WheelChart& chart() const { return chart_; }
    int chartDraws() const { return chartDraws_; }

  private:
    void moveToRow(int id, int row);  // selects only that row, focus in the list
    struct Control {
        ControlKind kind = ControlKind::StaticText;
        std::uint32_t styles = 0;
        std::string text;
        std::vector<std::string> items;
        int selection = -1;
        std::vector<ColumnSpec> columns;
        std::vector<std::vector<std::string>> rows;
        std::vector<bool> selectedRows;
    };

    Control& control(int id, ControlKind kind);
    const Control& control(int id, ControlKind kind) const;
    Control& anyControl(int id);
    const Control& anyControl(int id) const;
    bool textual(const Control& c) const;

    const DialogSpec& spec_;
    std::map<int, Control> controls_;
    std::string caption_;
    int focus_ = kNoId;
    bool closed_ = false;
    FormEvents* events_ = nullptr;
    std::deque<Answer> answers_;
    std::deque<std::optional<std::filesystem::path>> files_;
    std::vector<std::string> fileDialogs_;
    std::vector<DialogRecord> dialogs_;
    bool chartOpen_ = false;
    chart::WheelChart chart_;
    int chartDraws_ = 0;
};

}  // namespace ui::headless
