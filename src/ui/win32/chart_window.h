#pragma once

#include <windows.h>

#include <memory>

#include "chart/wheel_picture.h"

// The chart window of the Windows program: a resizable window owned by the form that draws the chart wheel with
// GDI at its client size, double-buffered, its texts in a CJK font.
namespace ui::win32 {

inline constexpr wchar_t kChartWindowClass[] = L"QelvoChart";

class ChartWindow {
  public:
    ChartWindow();
    ~ChartWindow();
    ChartWindow(const ChartWindow&) = delete;
    ChartWindow& operator=(const ChartWindow&) = delete;

    // Opens the window owned by owner, or brings the open one forward, showing chart.
    void show(HWND owner, const chart::WheelChart& chart);
    // Gives an open window a new chart to draw; nothing while none is open.
    void update(const chart::WheelChart& chart);
    bool open() const;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace ui::win32
