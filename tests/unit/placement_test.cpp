#include <gtest/gtest.h>

#include "ui/placement.h"

namespace {

Box box(long l, long t, long r, long b) {
    Box x;
    x.left = l;
    x.top = t;
    x.right = r;
    x.bottom = b;
    return x;
}

TEST(Placement, CentresOnTheCentreRectangleWithIntegerHalves) {
    Box work = box(0, 0, 1024, 738);
    Point2 p = centredPosition(work, work, 335, 251);
    EXPECT_EQ(p.x, 512 - 167);
    EXPECT_EQ(p.y, 369 - 125);
    Point2 q = centredPosition(box(100, 100, 301, 201), work, 50, 50);
    EXPECT_EQ(q.x, 200 - 25);
    EXPECT_EQ(q.y, 150 - 25);
}

TEST(Placement, StaysInsideTheBoundsRightAndBottomFirst) {
    Box work = box(0, 0, 800, 600);
    // An owner at the bottom-right corner: pushed back inside.
    Point2 p = centredPosition(box(700, 500, 900, 700), work, 300, 200);
    EXPECT_EQ(p.x, 500);
    EXPECT_EQ(p.y, 400);
    // An owner above and left of the work area.
    Point2 q = centredPosition(box(-300, -200, -100, -100), work, 300, 200);
    EXPECT_EQ(q.x, 0);
    EXPECT_EQ(q.y, 0);
    // A window larger than the bounds starts at their left and top edge.
    Point2 r = centredPosition(work, work, 1000, 700);
    EXPECT_EQ(r.x, 0);
    EXPECT_EQ(r.y, 0);
    // Bounds that do not start at 0 (a second monitor to the left).
    Point2 s = centredPosition(box(-1280, 0, -1200, 50), box(-1280, 0, 0, 1024), 200, 100);
    EXPECT_EQ(s.x, -1280);
    EXPECT_EQ(s.y, 0);
}

TEST(Placement, AlignmentOffsetFollowsTheStaticStyle) {
    EXPECT_EQ(alignmentOffset(0x0 /* SS_LEFT */, 100, 41), 0);
    EXPECT_EQ(alignmentOffset(0x1 /* SS_CENTER */, 100, 41), 29);
    EXPECT_EQ(alignmentOffset(0x2 /* SS_RIGHT */, 100, 41), 59);
    EXPECT_EQ(alignmentOffset(0x100 | 0x1, 100, 40), 30);
}

}  // namespace
