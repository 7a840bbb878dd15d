#pragma once

#include <functional>

#include "ui/dialog_layout.h"

// Where the chart window opens, in the screen's pixels: beside the form on the side with more room, as wide as it
// wants or as that room allows down to its least width, so that it hides none of the form; where neither side has
// that much room, against the screen's edge on the side with more room, over the form (whose window owns it and
// keeps it above). Never larger than the screen.
namespace ui {

struct ChartWindowSize {
    int wantedWidth = 0;
    int leastWidth = 0;
    std::function<int(int)> heightForWidth;  // the window's height at a width
};

Rect placeChartWindow(const Rect& form, const Rect& screen, const ChartWindowSize& size, int gap);

}  // namespace ui
