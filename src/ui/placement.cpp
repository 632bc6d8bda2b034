#include "ui/placement.h"

namespace {

long place(long centreLow, long centreHigh, long boundLow, long boundHigh, long size) {
    long pos = (centreLow + centreHigh) / 2 - size / 2;
    if (pos + size > boundHigh) pos = boundHigh - size;
    if (pos < boundLow) pos = boundLow;
    return pos;
}

}  // namespace

Point2 centredPosition(const Box& centre, const Box& bounds, long width, long height) {
    Point2 p;
    p.x = place(centre.left, centre.right, bounds.left, bounds.right, width);
    p.y = place(centre.top, centre.bottom, bounds.top, bounds.bottom, height);
    return p;
}

long alignmentOffset(unsigned long style, long clientRight, long textRight) {
    const unsigned long kCenter = 0x1;  // SS_CENTER
    const unsigned long kRight = 0x2;   // SS_RIGHT
    if (style & kCenter) return (clientRight - textRight) / 2;
    if (style & kRight) return clientRight - textRight;
    return 0;
}
