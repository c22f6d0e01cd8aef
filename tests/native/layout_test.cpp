#include <gtest/gtest.h>

#include "app/layout.h"
#include "common/dpiscale.h"

#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct LayoutCase {
    const char *name;
    int width, height, itemHeight;
    ControlBox edit, list;
};

const LayoutCase kCases[] = {
    /* list: 1 px margins left, right, top; 1 px gap; edit one row + 4 high; 2 px at the bottom */
    {"typical", 400, 300, 16, {1, 278, 398, 20}, {1, 1, 398, 276}},
    {"taller rows", 400, 300, 20, {1, 274, 398, 24}, {1, 1, 398, 272}},
    {"list answers LB_ERR", 400, 300, -1, {1, 274, 398, 24}, {1, 1, 398, 272}},
    {"exactly one row high plus 8", 100, 24, 16, {1, 2, 98, 20}, {1, 1, 98, 0}},
    {"lower than one row plus 8", 100, 20, 16, {1, -2, 98, 20}, {1, 1, 98, 0}},
    {"no client area at all", 0, 0, 16, {1, -22, 0, 20}, {1, 1, 0, 0}},
    {"one pixel wide", 1, 100, 16, {1, 78, 0, 20}, {1, 1, 0, 76}},
    {"two pixels wide", 2, 100, 16, {1, 78, 0, 20}, {1, 1, 0, 76}},
    {"three pixels wide", 3, 100, 16, {1, 78, 1, 20}, {1, 1, 1, 76}},
    {"zero row height", 50, 50, 0, {1, 44, 48, 4}, {1, 1, 48, 42}},
};

void ExpectBox(const ControlBox &want, const ControlBox &got, const char *what, const char *name)
{
    EXPECT_EQ(want.left, got.left) << name << ": " << what << " left";
    EXPECT_EQ(want.top, got.top) << name << ": " << what << " top";
    EXPECT_EQ(want.width, got.width) << name << ": " << what << " width";
    EXPECT_EQ(want.height, got.height) << name << ": " << what << " height";
}

} // namespace

TEST(Layout, PlacesListAboveEditField)
{
    for (const LayoutCase &c : kCases) {
        ControlBox edit = {-99, -99, -99, -99}, list = {-99, -99, -99, -99};
        ComputeLayout(c.width, c.height, c.itemHeight, &edit, &list);
        ExpectBox(c.edit, edit, "edit", c.name);
        ExpectBox(c.list, list, "list", c.name);
    }
}

TEST(Layout, ListAndEditFieldDoNotOverlapAndFillTheHeight)
{
    for (int height = 30; height < 200; height += 7) {
        for (int item : {8, 13, 16, 20}) {
            ControlBox edit, list;
            ComputeLayout(300, height, item, &edit, &list);
            EXPECT_EQ(list.top + list.height + 1, edit.top) << height << "/" << item;
            EXPECT_EQ(height - 2, edit.top + edit.height) << height << "/" << item;
        }
    }
}

/* The status bar takes the bottom across the width; the rest is left above it, never below 0. */
TEST(Layout, StatusBarTakesTheBottom)
{
    const struct {
        int width, height, barHeight, above;
        ControlBox bar;
    } cases[] = {
        {400, 300, 22, 278, {0, 278, 400, 22}},
        {400, 10, 22, 0, {0, 0, 400, 10}},
        {0, 0, 22, 0, {0, 0, 0, 0}},
        {400, 300, -1, 300, {0, 300, 400, 0}},
    };
    for (const auto &c : cases) {
        ControlBox bar;
        EXPECT_EQ(c.above, ComputeStatusBar(c.width, c.height, c.barHeight, &bar)) << c.height;
        ExpectBox(c.bar, bar, "status bar", "status bar");
    }
}

/* The long-question dialog at any size that holds it: icon, text and buttons lie inside the
   client area and never overlap, the text ends above the row of buttons, which is centred; with
   no room at all nothing gets a negative size, and an unused button is empty. */
TEST(Layout, QuestionDialogControlsStayInsideAndApart)
{
    auto inside = [](const ControlBox &b, int width, int height) {
        return b.left >= 0 && b.top >= 0 && b.left + b.width <= width && b.top + b.height <= height;
    };
    auto apart = [](const ControlBox &a, const ControlBox &b) {
        return a.left + a.width <= b.left || b.left + b.width <= a.left || a.top + a.height <= b.top ||
               b.top + b.height <= a.top;
    };
    for (int dpi : {96, 144, 192}) {   /* the sizes as each DPI makes them, the client area too */
        for (int buttons : {2, 3}) {
            for (int width : {ScaleToDpi(300, 96, dpi), 500, 1280}) {
                for (int height : {ScaleToDpi(120, 96, dpi), 300, 1000}) {
                    QuestionLayout layout;
                    ComputeQuestionLayout(width, height, buttons, ScaleToDpi(75, 96, dpi),
                                          ScaleToDpi(23, 96, dpi), ScaleToDpi(32, 96, dpi),
                                          ScaleToDpi(10, 96, dpi), &layout);
                    std::vector<ControlBox> boxes = {layout.icon, layout.text};
                    boxes.insert(boxes.end(), layout.buttons, layout.buttons + buttons);
                    const std::string where = std::to_string(dpi) + " dpi, " + std::to_string(buttons) +
                                              " buttons, " + std::to_string(width) + " x " +
                                              std::to_string(height);
                    for (size_t i = 0; i < boxes.size(); i++) {
                        EXPECT_TRUE(inside(boxes[i], width, height)) << where << ", control " << i;
                        for (size_t j = i + 1; j < boxes.size(); j++)
                            EXPECT_TRUE(apart(boxes[i], boxes[j])) << where << ", controls " << i << " and " << j;
                    }
                    const ControlBox &first = layout.buttons[0], &last = layout.buttons[buttons - 1];
                    EXPECT_LE(layout.text.top + layout.text.height, first.top) << where;
                    EXPECT_GT(layout.text.width * layout.text.height, 0) << where;
                    EXPECT_EQ(first.top, last.top) << where;
                    EXPECT_LE(std::abs(first.left - (width - last.left - last.width)), 1) << where;
                    if (buttons < QUESTION_MAX_BUTTONS) {
                        EXPECT_EQ(0, layout.buttons[buttons].width * layout.buttons[buttons].height) << where;
                    }
                }
            }
        }
    }
    QuestionLayout tiny;
    ComputeQuestionLayout(20, 20, 2, 75, 23, 32, 10, &tiny);
    EXPECT_TRUE(tiny.text.width >= 0 && tiny.text.height >= 0);
}

/* A message box fits when its text with the icon, the margins, the buttons and the caption fits the
   work area: one line of 16 pixels, caption 20, icon 32; 1024 x 768 leaves 944 x 652 for the text. */
TEST(Layout, MessageBoxFitsTheWorkAreaOrNot)
{
    const struct {
        int textWidth, textHeight;
        bool fits;
    } cases[] = {
        {300, 200, true}, {944, 652, true}, {945, 652, false}, {944, 653, false}, {300, 7957, false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.fits, MessageBoxFits(c.textWidth, c.textHeight, 16, 20, 32, 1024, 768) != 0)
            << c.textWidth << " x " << c.textHeight;
    /* The quick answer: 944 pixels by 40 lines of 16 is the most text that can fit. */
    EXPECT_FALSE(MessageBoxCannotFit(944LL * 40, 16, 20, 32, 1024, 768));
    EXPECT_TRUE(MessageBoxCannotFit(944LL * 40 + 1, 16, 20, 32, 1024, 768));
    EXPECT_TRUE(MessageBoxCannotFit(1, 16, 20, 32, 40, 40));   /* no room at all */
    EXPECT_TRUE(MessageBoxCannotFit(3000000000LL, 16, 20, 32, 1024, 768));
}

TEST(Layout, BoxIsFittedIntoTheArea)
{
    const ControlBox area = {0, 30, 1024, 700};
    const struct {
        ControlBox box, want;
    } cases[] = {
        {{100, 100, 400, 300}, {100, 100, 400, 300}},    /* inside: unchanged */
        {{900, 600, 400, 300}, {624, 430, 400, 300}},    /* beyond the far edges: moved back */
        {{-50, 0, 400, 300}, {0, 30, 400, 300}},         /* beyond the near edges */
        {{10, 10, 2000, 1000}, {0, 30, 1024, 700}},      /* larger: shrunk to the area */
    };
    for (const auto &c : cases) {
        ControlBox box = c.box;
        FitBoxIntoArea(&box, &area);
        ExpectBox(c.want, box, "box", "fit");
    }
}

/* Sizes given at 96 DPI at the screen's DPI, rounded to the nearest pixel; a DPI the system does
   not tell counts as 96. The window's own DPI comes first, then the system's. */
TEST(Layout, SizesFollowTheDpi)
{
    const struct {
        int size, from, to, scaled;
    } sizes[] = {
        {-12, 96, 96, -12}, {-12, 96, 144, -18}, {-12, 96, 192, -24}, {20, 96, 144, 30},
        {32, 96, 192, 64}, {7, 96, 144, 11}, {-7, 96, 144, -11}, {48, 144, 96, 32},
        {32, 144, 192, 43}, {16, 0, 144, 24}, {16, 96, 0, 16},
    };
    for (const auto &c : sizes)
        EXPECT_EQ(c.scaled, ScaleToDpi(c.size, c.from, c.to)) << c.size << " at " << c.from << " to " << c.to;
    const struct {
        int window, system, chosen;
    } sources[] = {
        {144, 96, 144}, {192, 144, 192}, {96, 192, 96}, {0, 144, 144}, {0, 192, 192}, {0, 0, 96},
    };
    for (const auto &c : sources)
        EXPECT_EQ(c.chosen, ChooseDpi(c.window, c.system)) << c.window << ", " << c.system;
}
