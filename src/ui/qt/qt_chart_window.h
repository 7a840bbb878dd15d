#pragma once

#include <QWidget>

#include "chart/wheel_picture.h"

// The chart window of the Qt shell: a resizable top-level window owned by the form (the window system keeps it above
// the form, also above a form that stays on top, and closes it with it) that draws the wheel of its chart at its own
// size with QPainter, from the same shapes every renderer draws.
namespace ui::qt {

class QtChartWindow final : public QWidget {
  public:
    explicit QtChartWindow(QWidget* form);

    // Takes a new chart and its title, and draws it again.
    void setChart(const chart::WheelChart& chart);
    // Moves and sizes the window beside its form where the screen has room (ui::placeChartWindow).
    void placeBesideForm();
    const chart::WheelChart& chart() const { return chart_; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    QWidget* form_;
    chart::WheelChart chart_;
};

}  // namespace ui::qt
