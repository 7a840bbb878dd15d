#pragma once

#include <QIcon>

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "ui/window.h"

class QDialog;
class QFont;
class QWidget;

// The window-system contract on Qt Widgets: the dialog built from a dialog layout, its dialog units turned into
// pixels from its font as Windows does, texts converted between GBK and QString at this edge (a character that GBK
// cannot hold is refused with a message), and the user's actions forwarded to the form as the Windows program
// forwards them.
namespace ui::qt {

// What the program adds around the layout: its icon, and the About box reached from the form's context menu and F1.
struct WindowExtras {
    QIcon icon;
    std::string_view aboutMenuText;
    std::string_view aboutCaption;
    std::string_view aboutText;
    std::string_view aboutButton;
};

// The dialog font: the layout's size in points, in the first CJK font the system has ("WenQuanYi Micro Hei", "Noto
// Sans CJK SC", ...), otherwise the system's own.
QFont dialogFont(int points);

// Dialog units to pixels for a font: a quarter of its average character width, an eighth of its height.
struct DialogUnits {
    int baseX = 0, baseY = 0;
    explicit DialogUnits(const QFont& font);
    int x(int units) const;
    int y(int units) const;
};

class QtWindow final : public Window {
  public:
    QtWindow(const DialogSpec& spec, WindowExtras extras);
    ~QtWindow() override;
    QtWindow(const QtWindow&) = delete;
    QtWindow& operator=(const QtWindow&) = delete;

    // Creates the window, runs created once it exists (before it is first shown), puts the focus on the first
    // control of the tab order and shows it.
    void open(FormEvents& events, const std::function<void()>& created);
    // open, then the modal loop until the form closes; 0 when it closed.
    int run(FormEvents& events, const std::function<void()>& created);
    bool isOpen() const;

    // The window and its controls, for the program and its tests.
    QDialog* dialog() const;
    QWidget* control(int id) const;
    // The About box, modal.
    void showAbout();

    // Window
    std::string caption() const override;
    void setCaption(std::string_view caption) override;
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
    int focus() const override;
    void setFocus(int id) override;
    void messageBox(std::string_view text, std::string_view caption) override;
    Answer ask(std::string_view text, std::string_view caption) override;
    std::optional<std::filesystem::path> chooseFile(bool save,
                                                    std::string_view title,
                                                    const std::vector<FileFilter>& filters) override;
    void close() override;
    void showChart(const chart::WheelChart& chart) override;
    void updateChart(const chart::WheelChart& chart) override;

    // The chart window, once "星盘" opened it (for the program's tests).
    QWidget* chartWindow() const;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace ui::qt
