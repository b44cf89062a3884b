#include "labelfit.h"

#include <algorithm>

namespace panel {
namespace {

bool Holds(const Box& outer, const Box& inner) {
    return outer.left <= inner.left && outer.top <= inner.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

bool Fits(const TextSize& text, const Box& box) {
    return text.width <= box.Width() && text.height <= box.Height();
}

// Where a label may reach, and the boxes it must not cover.
struct Room {
    Box bounds;
    std::vector<Box> obstacles;
};

Room RoomOf(const Box& label, const std::vector<Neighbour>& others, const Box& client) {
    Room room{client, {}};
    for (const Neighbour& other : others) {
        if (other.groupBox && Holds(other.inside, label)) {
            room.bounds.left = std::max(room.bounds.left, other.inside.left);
            room.bounds.top = std::max(room.bounds.top, other.inside.top);
            room.bounds.right = std::min(room.bounds.right, other.inside.right);
            room.bounds.bottom = std::min(room.bounds.bottom, other.inside.bottom);
        } else if (other.box.Width() > 0 && other.box.Height() > 0) {
            room.obstacles.push_back(other.box);
        }
    }
    return room;
}

// The box grown towards `width`, as its alignment writes, within the free
// room on its own lines.
Box GrowAcross(const Box& box, int width, TextAlign align, const Room& room) {
    int leftmost = room.bounds.left, rightmost = room.bounds.right;
    for (const Box& other : room.obstacles) {
        if (other.top >= box.bottom || other.bottom <= box.top)
            continue;
        if (other.left < box.left)
            leftmost = std::max(leftmost, std::min(other.right, box.left));
        if (other.right > box.right)
            rightmost = std::min(rightmost, std::max(other.left, box.right));
    }
    const int roomLeft = std::max(0, box.left - leftmost);
    const int roomRight = std::max(0, rightmost - box.right);
    const int wanted = std::max(0, width - box.Width());
    Box grown = box;
    switch (align) {
    case TextAlign::Left:
        grown.right += std::min(wanted, roomRight);
        break;
    case TextAlign::Right:
        grown.left -= std::min(wanted, roomLeft);
        break;
    case TextAlign::Centre: {
        // Half each way; what one side lacks, the other gives if it can.
        const int toRight = std::min(wanted - std::min(wanted - wanted / 2, roomLeft), roomRight);
        grown.left -= std::min(wanted - toRight, roomLeft);
        grown.right += toRight;
        break;
    }
    }
    return grown;
}

// The box made `height` tall around the middle of its line, moved into the
// free room above and below, as far as that room goes.
Box GrowAlong(const Box& box, int height, const Room& room) {
    if (height <= box.Height())
        return box;
    int topmost = room.bounds.top, bottommost = room.bounds.bottom;
    for (const Box& other : room.obstacles) {
        if (other.left >= box.right || other.right <= box.left)
            continue;
        if (other.top < box.top)
            topmost = std::max(topmost, std::min(other.bottom, box.top));
        if (other.bottom > box.bottom)
            bottommost = std::min(bottommost, std::max(other.top, box.bottom));
    }
    topmost = std::min(topmost, box.top);
    bottommost = std::max(bottommost, box.bottom);
    Box grown = box;
    grown.top =
        std::max(std::min(box.top - (height - box.Height()) / 2, bottommost - height), topmost);
    grown.bottom = std::min(grown.top + height, bottommost);
    return grown;
}

// The box `width` wide, its text staying where its alignment holds it.
Box NarrowTo(const Box& box, int width, TextAlign align) {
    Box narrow = box;
    switch (align) {
    case TextAlign::Left:
        narrow.right = box.left + width;
        break;
    case TextAlign::Right:
        narrow.left = box.right - width;
        break;
    case TextAlign::Centre:
        narrow.left = box.left + (box.Width() - width) / 2;
        narrow.right = narrow.left + width;
        break;
    }
    return narrow;
}

} // namespace

Box FitLabel(const Label& label, const std::vector<Neighbour>& others, const Box& client) {
    const Box& box = label.box;
    if (Fits(label.oneLine, box) || (label.wrapped && Fits(label.wrapped(box.Width()), box)))
        return box;
    const Room room = RoomOf(box, others, client);
    const Box wide = GrowAcross(box, label.oneLine.width, label.align, room);
    const Box oneLine = GrowAlong(wide, label.oneLine.height, room);
    if (label.oneLine.width <= wide.Width() || !label.wrapped)
        return oneLine;

    // Wrapped: the lines the widest room gives, at the narrowest width that
    // keeps them, so that they come out about even.
    const TextSize widest = label.wrapped(wide.Width());
    if (widest.width > wide.Width())
        return oneLine; // a word wider than the room
    int narrowest = 1, width = wide.Width();
    while (narrowest < width) {
        const int middle = (narrowest + width) / 2;
        const TextSize text = label.wrapped(middle);
        if (text.width <= middle && text.height <= widest.height)
            width = middle;
        else
            narrowest = middle + 1;
    }
    const Box wrapped = GrowAlong(NarrowTo(wide, width, label.align), widest.height, room);
    return wrapped.Height() >= widest.height ? wrapped : oneLine;
}

} // namespace panel
