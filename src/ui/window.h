#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "chart/wheel_picture.h"
#include "ui/dialog_layout.h"

// The window-system contract of the main form: the few things it needs from a dialog framework, with controls
// addressed by id and no platform type. Texts are GBK. Programmatic changes raise no events; only the user's actions,
// which a backend forwards to FormEvents, do.
namespace ui {

enum class Answer { Yes, No };

// One kind of file a file dialog offers: "CSV 文件 (*.csv)" and "*.csv".
struct FileFilter {
    std::string_view description;
    std::string_view pattern;
};

class Window {
  public:
    virtual ~Window() = default;

    virtual std::string caption() const = 0;
    virtual void setCaption(std::string_view caption) = 0;

    // Edits, static texts and buttons.
    virtual std::string text(int id) const = 0;
    virtual void setText(int id, std::string_view text) = 0;

    // Drop-down lists: the entries replace the old ones and leave no selection.
    virtual void setItems(int id, const std::vector<std::string>& items) = 0;
    virtual int itemCount(int id) const = 0;
    // The selected position, -1 when none.
    virtual int selection(int id) const = 0;
    // Selects a position; one outside the entries (-1 among them) leaves the list without a selection.
    virtual void select(int id, int position) = 0;

    // The report list: columns, then rows of cell texts (one per column); filling removes every row and selection.
    virtual void setColumns(int id, const std::vector<ColumnSpec>& columns) = 0;
    virtual void setRows(int id, std::vector<std::vector<std::string>> rows) = 0;
    virtual int rowCount(int id) const = 0;
    // The first selected row from the top, -1 when none.
    virtual int firstSelectedRow(int id) const = 0;

    virtual int focus() const = 0;
    virtual void setFocus(int id) = 0;

    // A message with an OK button, and a question with Yes and No; both wait for the user.
    virtual void messageBox(std::string_view text, std::string_view caption) = 0;
    virtual Answer ask(std::string_view text, std::string_view caption) = 0;

    // The platform's dialog for a file to save (asking before it replaces one) or to open (one that exists), offering
    // the filters; nothing when the user cancelled or the platform has no such dialog.
    virtual std::optional<std::filesystem::path> chooseFile(bool save,
                                                            std::string_view title,
                                                            const std::vector<FileFilter>& filters) {
        (void)save, (void)title, (void)filters;
        return std::nullopt;
    }

    // Ends the form's modal run; nothing is saved.
    virtual void close() = 0;

    // The chart window beside the form: the wheel of a card, which the backend draws at the window's size with
    // chart::drawWheel (again whenever that size changes) and whose texts are GBK. showChart opens it, or brings it
    // forward, with this chart; updateChart gives an open one a new chart and does nothing while none is open. The
    // user may resize and close it; it closes with the form.
    virtual void showChart(const chart::WheelChart& chart) = 0;
    virtual void updateChart(const chart::WheelChart& chart) = 0;
};

// What a backend tells the form about the user's actions.
class FormEvents {
  public:
    virtual ~FormEvents() = default;
    // A button was pressed (Enter in a single-line field presses the default button; Esc and the close box press
    // kIdCancel).
    virtual void onCommand(int id) = 0;
    // The user chose another entry of a drop-down list.
    virtual void onSelectionChange(int id) = 0;
    // A mouse click in a report list (keyboard moves are not reported).
    virtual void onListClick(int id) = 0;
    // The user changed the text of an edit (typing, pasting, deleting); setText raises nothing.
    virtual void onEditChange(int id) { (void)id; }
    // Another program sent data: exactly the bytes the message carries.
    virtual void onCopyData(std::string_view bytes) = 0;
};

}  // namespace ui
