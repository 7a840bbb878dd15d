// Where the chart window opens beside the form, on the screens the program meets.
#include "ui/chart_placement.h"

#include <gtest/gtest.h>

namespace {

bool overlap(const ui::Rect& a, const ui::Rect& b) {
    return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height && b.y < a.y + a.height;
}

bool inside(const ui::Rect& inner, const ui::Rect& outer) {
    return inner.x >= outer.x && inner.y >= outer.y && inner.x + inner.width <= outer.x + outer.width &&
           inner.y + inner.height <= outer.y + outer.height;
}

// A form centred on a screen.
ui::Rect centred(const ui::Rect& screen, int width, int height) {
    return {screen.x + (screen.width - width) / 2, screen.y + (screen.height - height) / 2, width, height};
}

TEST(ChartPlacement, BesideTheFormWhereEitherSideHasRoomOtherwiseAtTheScreensEdge) {
    // The wheel wants 560 pixels and its legend 60 more below; it takes no less than 320.
    const ui::ChartWindowSize size{560, 320, [](int width) { return width + 60; }};
    const ui::Rect laptop{0, 0, 1680, 1050 - 40};
    const ui::Rect wide{0, 0, 1920, 1080 - 40};
    const ui::Rect second{1920, 0, 2560, 1440};
    const struct {
        const char* name;
        ui::Rect screen;
        ui::Rect form;
        bool clear;  // of the form
        int width;
        bool right;
    } cases[] = {
        {"1680 wide, form centred: the room on the right", laptop, centred(laptop, 924, 790), true, 370, true},
        {"1920 wide, form centred", wide, centred(wide, 924, 790), true, 490, true},
        {"a wide second screen: as wide as it wants", second, centred(second, 924, 790), true, 560, true},
        {"form at the right edge: on the left", wide, {1920 - 924, 100, 924, 790}, true, 560, false},
        {"1280 wide: no side has room, over the form's right edge",
         {0, 0, 1280, 1024},
         {178, 100, 924, 790},
         false,
         560,
         true},
        {"a screen narrower than the window", {0, 0, 400, 300}, {0, 0, 400, 300}, false, 400, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ui::Rect place = ui::placeChartWindow(c.form, c.screen, size, 8);
        EXPECT_EQ(place.width, c.width);
        EXPECT_EQ(place.height, std::min(c.width + 60, c.screen.height));
        EXPECT_TRUE(inside(place, c.screen));
        EXPECT_EQ(!overlap(place, c.form), c.clear);
        EXPECT_EQ(place.x + place.width / 2 >= c.form.x + c.form.width / 2, c.right);
        if (c.clear) {
            EXPECT_EQ(place.y, c.form.y);  // level with the form
        }
    }
}

}  // namespace
