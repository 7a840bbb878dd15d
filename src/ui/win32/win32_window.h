#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "ui/window.h"

// The window-system contract on the Win32 API: a modal dialog built in memory from a dialog layout, its texts
// converted between GBK and UTF-16 with code page 936, and the user's actions forwarded to the form.
namespace ui::win32 {

// What the program adds around the layout: its icon, and the About box reached from the system menu.
struct WindowExtras {
    int iconResource = 0;
    std::string_view aboutMenuText;
    std::string_view aboutCaption;
    std::string_view aboutText;
    std::string_view aboutButton;
};

// Registers windowClass as a copy of the standard dialog class, so a layout can name it; false when it failed.
bool registerDialogClass(std::string_view windowClass);

class Win32Window final : public Window {
  public:
    Win32Window(const DialogSpec& spec, const WindowExtras& extras);
    ~Win32Window() override;
    Win32Window(const Win32Window&) = delete;
    Win32Window& operator=(const Win32Window&) = delete;

    // Creates the window, runs created once it exists (before it is first shown), then the modal loop until the
    // form closes; the dialog's result, -1 when the window could not be made.
    int run(FormEvents& events, const std::function<void()>& created);

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

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace ui::win32
