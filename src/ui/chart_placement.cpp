#include "ui/chart_placement.h"

#include <algorithm>

// The window contract's backends each ask the window system for the form's frame and the screen's free area and
// place the window themselves; the rule is one, here, so that both programs open the wheel in the same place.
namespace ui {

Rect placeChartWindow(const Rect& form, const Rect& screen, const ChartWindowSize& size, int gap) {
    const int roomRight = screen.x + screen.width - (form.x + form.width) - gap;
    const int roomLeft = form.x - screen.x - gap;
    const bool right = roomRight >= roomLeft;
    const int room = right ? roomRight : roomLeft;
    Rect place;
    if (room >= size.leastWidth) {
        place.width = std::min(size.wantedWidth, room);
        place.x = right ? form.x + form.width + gap : form.x - gap - place.width;
    } else {
        place.width = std::max(1, std::min(size.wantedWidth, screen.width));
        place.x = right ? screen.x + screen.width - place.width : screen.x;
    }
    const int wantedHeight = size.heightForWidth ? size.heightForWidth(place.width) : place.width;
    place.height = std::max(1, std::min(wantedHeight, screen.height));
    place.y = std::clamp(form.y, screen.y, screen.y + screen.height - place.height);
    return place;
}

}  // namespace ui
