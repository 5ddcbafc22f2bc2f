// The main window's splitter bars and layout as arithmetic: where a bar of a
// position lies, how far a drag takes it, the double clicks, the refused
// bars, and the controls' boxes for client sizes from nothing to a screen;
// 96-dpi sizes scaled to a display's DPI and stored sizes brought back.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "client/main_layout.h"
#include "client/main_window_ids.h"
#include "client/splitter_bars.h"

namespace {

TEST(SplitterBars, PlaceFromPosition) {
    BarPlace v = bar_place(0x22, 20, 1280, 740);
    EXPECT_EQ(v.left, 256);
    EXPECT_EQ(v.top, 0);
    EXPECT_EQ(v.width, 4);
    EXPECT_EQ(v.height, 740);
    BarPlace h = bar_place(0x21, 50, 1280, 741);
    EXPECT_EQ(h.left, 0);
    EXPECT_EQ(h.top, 370);
    EXPECT_EQ(h.width, 1280);
    EXPECT_EQ(h.height, 4);
    // A minimised window has no client area: the bar sits at 0.
    BarPlace empty = bar_place(0x22, 20, 0, 0);
    EXPECT_EQ(empty.left, 0);
    EXPECT_EQ(empty.height, 0);
}

TEST(SplitterBars, CreationNeedsAParentAndAPosition) {
    EXPECT_TRUE(bar_creation_allowed(true, 0, 0x22));
    EXPECT_TRUE(bar_creation_allowed(true, 99, 0x21));
    EXPECT_FALSE(bar_creation_allowed(false, 20, 0x22));
    EXPECT_FALSE(bar_creation_allowed(true, -1, 0x22));
    EXPECT_FALSE(bar_creation_allowed(true, 100, 0x22));
    // A fixed bar may lie anywhere from 0.
    EXPECT_TRUE(bar_creation_allowed(true, 150, BAR_FIXED));
    EXPECT_FALSE(bar_creation_allowed(true, -1, BAR_FIXED));
}

TEST(SplitterBars, DragStaysFivePixelsInsideThePanes) {
    // Tree from x = 4, preview to x = 1276.
    EXPECT_EQ(bar_drag_offset(600, 4, 1276), 600);
    EXPECT_EQ(bar_drag_offset(0, 4, 1276), 9);
    EXPECT_EQ(bar_drag_offset(8, 4, 1276), 9);
    EXPECT_EQ(bar_drag_offset(1267, 4, 1276), 1267);
    EXPECT_EQ(bar_drag_offset(1268, 4, 1276), 1267);
    EXPECT_EQ(bar_drag_offset(5000, 4, 1276), 1267);
    // Panes too narrow for both margins: the near one wins.
    EXPECT_EQ(bar_drag_offset(10, 4, 12), 9);
}

TEST(SplitterBars, PositionsAfterADragAndTheDoubleClicks) {
    EXPECT_EQ(bar_position_of(256, 1280), 20);
    EXPECT_EQ(bar_position_of(639, 1280), 49);
    EXPECT_EQ(bar_position_of(1279, 1280), 99);
    EXPECT_EQ(bar_position_of(5000, 1280), 99);
    EXPECT_EQ(bar_position_of(-3, 1280), 0);
    EXPECT_EQ(bar_position_of(10, 0), 0);
    EXPECT_EQ(bar_double_click_position(true), 1);
    EXPECT_EQ(bar_double_click_position(false), 99);
    EXPECT_EQ(bar_double_click_offset(true, 1280), 1);
    EXPECT_EQ(bar_double_click_offset(false, 1280), 1276);
}

std::map<int, LayoutBox> layout(int width, int height, int bar_x, int bar_y) {
    LayoutBox boxes[layout_box_count];
    // The base units of an 8-point dialog font: 6 across, 13 down.
    layout_main_boxes(LayoutInput{width, height, bar_x, bar_y, 6, 13}, boxes);
    std::map<int, LayoutBox> by_id;
    for (const LayoutBox& b : boxes) by_id[b.id] = b;
    return by_id;
}

bool overlap(const LayoutBox& a, const LayoutBox& b) {
    return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height && b.y < a.y + a.height;
}

TEST(MainLayout, PanesSitAroundTheBars) {
    auto boxes = layout(1280, 740, 256, 370);
    ASSERT_EQ(boxes.size(), 15u);
    const LayoutBox& tree = boxes[IDC_FOLDER_TREE];
    const LayoutBox& list = boxes[IDC_MESSAGE_LIST];
    const LayoutBox& preview = boxes[IDC_PREVIEW];
    const LayoutBox& vbar = boxes[BAR_ID_VERTICAL];
    const LayoutBox& hbar = boxes[BAR_ID_HORIZONTAL];
    // 3 units of gap (4 pixels), buttons 14 units (22 pixels) high.
    EXPECT_EQ(tree.x, 4);
    EXPECT_EQ(tree.y, 30);
    EXPECT_EQ(tree.x + tree.width, 256);
    EXPECT_EQ(vbar.x, 256);
    EXPECT_EQ(list.x, 260);
    EXPECT_EQ(list.x + list.width, 1276);
    EXPECT_EQ(list.y + list.height, 370);
    EXPECT_EQ(hbar.y, 370);
    EXPECT_EQ(preview.y, 374);
    EXPECT_EQ(boxes[IDC_STATUS].y + boxes[IDC_STATUS].height, 736);
    EXPECT_EQ(boxes[IDC_ATTACHMENTS].y + boxes[IDC_ATTACHMENTS].height + 4, boxes[IDC_STATUS].y);
    EXPECT_EQ(preview.y + preview.height + 4, boxes[IDC_ATTACHMENTS].y);
    // The top row: the account box, then the seven buttons left to right.
    int x = 0;
    for (int id : {IDC_ACCOUNTS, IDC_RECEIVE, IDC_NEW_EMAIL, IDC_DELETE, IDC_VIEW, IDC_SAVE, IDC_REPLY, IDC_FORWARD}) {
        EXPECT_GT(boxes[id].x, x) << id;
        EXPECT_EQ(boxes[id].y, 4);
        x = boxes[id].x;
    }
    // The whole row fits the narrowest window.
    auto narrow = layout(700, 400, 140, 200);
    EXPECT_LE(narrow[IDC_FORWARD].x + narrow[IDC_FORWARD].width, 700);
}

TEST(MainLayout, NoOverlapAndNothingNegativeAtAnySize) {
    const int sizes[][2] = {{0, 0}, {1, 1}, {50, 20}, {700, 300}, {700, 40}, {1280, 740}, {1920, 1200}, {20, 900}};
    for (const auto& size : sizes) {
        for (int vertical : {0, 1, 20, 50, 99}) {
            for (int horizontal : {0, 1, 50, 99}) {
                int w = size[0], h = size[1];
                auto boxes = layout(w, h, vertical * w / 100, horizontal * h / 100);
                SCOPED_TRACE(testing::Message() << w << "x" << h << " at " << vertical << "/" << horizontal);
                // The account box counts as tall as a button when closed.
                boxes[IDC_ACCOUNTS].height = boxes[IDC_RECEIVE].height;
                for (auto& [id, box] : boxes) {
                    EXPECT_GE(box.x, 0) << id;
                    EXPECT_GE(box.y, 0) << id;
                    EXPECT_GE(box.width, 0) << id;
                    EXPECT_GE(box.height, 0) << id;
                    for (auto& [other_id, other] : boxes)
                        if (other_id != id) {
                            EXPECT_FALSE(overlap(box, other)) << id << " and " << other_id;
                        }
                }
            }
        }
    }
}

TEST(MainLayout, BarsStayFivePixelsInsideTheirPanes) {
    // A bar at 0 % or 99 % (a drag to the edge is saved as a whole percent)
    // leaves each pane 5 pixels, as the drag itself does.
    auto high = layout(1280, 740, 256, 0);
    EXPECT_EQ(high[BAR_ID_HORIZONTAL].y, high[IDC_MESSAGE_LIST].y + 5);
    EXPECT_EQ(high[IDC_MESSAGE_LIST].height, 5);
    auto low = layout(1280, 740, 256, 740);
    EXPECT_EQ(low[IDC_PREVIEW].height, 5);
    EXPECT_GT(low[IDC_MESSAGE_LIST].height, 600);
    auto left = layout(1280, 740, 0, 370);
    EXPECT_EQ(left[IDC_FOLDER_TREE].width, 5);
    EXPECT_EQ(left[BAR_ID_VERTICAL].x, bar_drag_offset(0, 4, 1276));
    auto far = layout(1280, 740, 1279, 370);
    EXPECT_EQ(far[IDC_MESSAGE_LIST].width, 5);
    EXPECT_EQ(far[BAR_ID_VERTICAL].x, bar_drag_offset(5000, 4, 1276));
    EXPECT_EQ(far[IDC_PREVIEW].x + far[IDC_PREVIEW].width, 1276);
}

TEST(MainLayout, MinimumSizeNeverExceedsTheScreen) {
    auto minimum = [](int width, int height, int vertical, int horizontal, int work_w, int work_h) {
        return layout_minimum(LayoutInput{width, height, vertical * width / 100, horizontal * height / 100, 6, 13},
                              {150, 162}, {work_w, work_h});
    };
    // Bar at 20 %: 256 + 150 is below the floor of 700; the height is the
    // bar's y plus 100 units (162 pixels).
    LayoutMinimum usual = minimum(1280, 740, 20, 50, 1280, 800);
    EXPECT_EQ(usual.width, 700);
    EXPECT_EQ(usual.height, 370 + 162);
    // Bar at 98 %: the rule alone asks for 1404 pixels of a 1280 screen and
    // more at every resize; the work area bounds it, at each size asked.
    for (int width : {1280, 1404, 1518, 1629}) {
        LayoutMinimum far = minimum(width, 740, 98, 99, 1280, 770);
        EXPECT_EQ(far.width, 1280) << width;
        EXPECT_LE(far.height, 770) << width;
    }
    // On a screen wide enough the bar, kept inside the window, decides.
    EXPECT_EQ(minimum(1280, 740, 99, 50, 2560, 1600).width, 1267 + 150);
    // No work area known: the rule as it is.
    EXPECT_EQ(minimum(1000, 600, 60, 50, 0, 0).width, 600 + 150);
}

TEST(DpiScale, SizesScaleAndStoredSizesComeBackUnchanged) {
    EXPECT_EQ(dpi_scale(4, 96), 4);
    EXPECT_EQ(dpi_scale(4, 144), 6);
    EXPECT_EQ(dpi_scale(5, 144), 8);  // 7.5 rounds up
    EXPECT_EQ(dpi_scale(5, 120), 6);  // 6.25
    EXPECT_EQ(dpi_scale(700, 192), 1400);
    EXPECT_EQ(dpi_scale(-12, 144), -18);
    EXPECT_EQ(dpi_scale(-5, 144), -8);
    EXPECT_EQ(dpi_scale(20, 0), 20);
    EXPECT_EQ(dpi_unscale(1400, 192), 700);
    EXPECT_EQ(dpi_unscale(8, 144), 5);
    EXPECT_EQ(dpi_unscale(7, -1), 7);
    // A stored size read at any DPI and written again is the same number,
    // and one near the int range does not overflow.
    for (int dpi : {96, 120, 144, 168, 192, 240, 288, 480})
        for (int size = -3000; size <= 3000; size += 7) EXPECT_EQ(dpi_unscale(dpi_scale(size, dpi), dpi), size) << dpi;
    EXPECT_EQ(dpi_unscale(dpi_scale(1 << 24, 480), 480), 1 << 24);
    // A font moved to another DPI: the dialogs' 8 points as the system
    // makes them there (not 11 pixels times 1.5 or 2), and back.
    EXPECT_EQ(font_height_at_dpi(-11, 96, 144), -16);
    EXPECT_EQ(font_height_at_dpi(-11, 96, 192), -21);
    EXPECT_EQ(font_height_at_dpi(-16, 144, 96), -11);
    EXPECT_EQ(font_height_at_dpi(-21, 192, 144), -16);
    EXPECT_EQ(font_height_at_dpi(-12, 96, 144), -18);
    EXPECT_EQ(font_height_at_dpi(13, 96, 120), 17);  // 10 points
    // 14 pixels are no whole number of points at 96 dpi: scaled.
    EXPECT_EQ(font_height_at_dpi(-14, 96, 144), -21);
    EXPECT_EQ(font_height_at_dpi(0, 96, 192), 0);
    EXPECT_EQ(font_height_at_dpi(-11, 0, 96), -11);
}

TEST(MainLayout, BarsAndMarginsScaleWithTheDpi) {
    // At 192 dpi the fonts' base units double with the pixels: the same
    // layout at twice the size (dialog units round on their own: within 4
    // pixels or 1 %), bars 8 pixels thick and kept 10 inside.
    LayoutBox at96[layout_box_count], at192[layout_box_count];
    layout_main_boxes(LayoutInput{1280, 740, 256, 370, 6, 13, 96}, at96);
    layout_main_boxes(LayoutInput{2560, 1480, 512, 740, 12, 26, 192}, at192);
    for (int i = 0; i < layout_box_count; i++) {
        EXPECT_NEAR(at192[i].x, 2 * at96[i].x, std::max(4, at96[i].x / 50)) << at96[i].id;
        EXPECT_NEAR(at192[i].y, 2 * at96[i].y, std::max(4, at96[i].y / 50)) << at96[i].id;
        EXPECT_NEAR(at192[i].width, 2 * at96[i].width, std::max(4, at96[i].width / 50)) << at96[i].id;
        EXPECT_NEAR(at192[i].height, 2 * at96[i].height, std::max(4, at96[i].height / 50)) << at96[i].id;
    }
    EXPECT_EQ(at192[layout_box_count - 2].width, 8);
    EXPECT_EQ(at192[layout_box_count - 1].height, 8);
    LayoutBox edge[layout_box_count];
    layout_main_boxes(LayoutInput{2560, 1480, 0, 740, 12, 26, 192}, edge);
    for (const LayoutBox& b : edge) {
        if (b.id == IDC_FOLDER_TREE) {
            EXPECT_EQ(b.width, 10);
        }
    }
    EXPECT_EQ(bar_drag_offset(0, 8, 2552, 192), 18);
    EXPECT_EQ(bar_drag_offset(5000, 8, 2552, 192), 2552 - 10 - 8);
    EXPECT_EQ(bar_place(0x22, 20, 2560, 1480, 192).width, 8);
    EXPECT_EQ(bar_double_click_offset(false, 2560, 192), 2552);
    EXPECT_EQ(layout_minimum(LayoutInput{2560, 1480, 512, 740, 12, 26, 192}, {300, 324}, {2560, 1560}).width, 1400);
}

}  // namespace
