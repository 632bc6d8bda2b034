#pragma once
#include <string>

// Window placement and small text rules of the "JRE Not Found" dialog, kept
// free of the platform so that they can be checked directly.

struct Box {
    long left = 0;
    long top = 0;
    long right = 0;
    long bottom = 0;
};

struct Point2 {
    long x = 0;
    long y = 0;
};

// Where a window of `width` x `height` goes when it is centred on `centre` and
// kept inside `bounds`: centred (integer halves), pushed left/up so that it
// does not stick out on the right/bottom, then right/down so that it does not
// start before the left/top edge.
Point2 centredPosition(const Box& centre, const Box& bounds, long width, long height);

// How far a text laid out at the left edge moves for the static control's
// alignment: half the free room for centred text (integer division), all of it
// for right-aligned text, none otherwise. `style` holds the static's style bits.
long alignmentOffset(unsigned long style, long clientRight, long textRight);
