#pragma once

#include <QWidget>

#include "chart/wheel_picture.h"

// The chart window of the Qt shell: a resizable top-level window that draws the wheel of its chart at its own size
// with QPainter, from the same shapes every renderer draws.
namespace ui::qt {

class QtChartWindow final : public QWidget {
  public:
    explicit QtChartWindow(QWidget* form);

    // Takes a new chart and its title, and draws it again.
    void setChart(const chart::WheelChart& chart);
    const chart::WheelChart& chart() const { return chart_; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    chart::WheelChart chart_;
};

}  // namespace ui::qt
