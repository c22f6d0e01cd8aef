#include <gtest/gtest.h>

#include "app/layout.h"

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
