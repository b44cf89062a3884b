// Where a label whose caption does not fit it grows.
#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <vector>

#include "labelfit.h"

namespace panel {
void PrintTo(const Box& box, std::ostream* os) {
    *os << "{" << box.left << ", " << box.top << ", " << box.right << ", " << box.bottom << "}";
}
} // namespace panel

namespace {

using panel::Box;
using panel::Neighbour;
using A = panel::TextAlign;

// A caption of ideographs 11 pixels wide on 13-pixel lines, wrapped between
// any two of them.
panel::TextSize Ideographs(int count, int width) {
    const int perLine = std::max(1, width / 11);
    return {std::min(count, perLine) * 11, (count + perLine - 1) / perLine * 13};
}

Neighbour Control(int left, int top, int right, int bottom) {
    return {{left, top, right, bottom}, false, {}};
}

// Its frame leaves 5 pixels on the left, 10 above, 2 right and below.
Neighbour Group(int left, int top, int right, int bottom) {
    return {{left, top, right, bottom}, true, {left + 5, top + 10, right - 2, bottom - 2}};
}

struct Row {
    const char* what;
    A align;
    int ideographs;
    bool wraps;
    std::vector<Neighbour> neighbours;
    Box expected;
    Box client{0, 0, 300, 300};
};

TEST(LabelFit, GrowsIntoTheFreeRoomItsAlignmentAllows) {
    const Box label{40, 100, 80, 113};
    const Neighbour slider = Control(90, 98, 150, 115), onLeft = Control(0, 95, 36, 120);
    const Neighbour above = Control(30, 90, 80, 99), below = Control(30, 114, 80, 130);
    const Neighbour narrowGroup = Group(5, 40, 87, 202), otherGroup = Group(88, 0, 200, 300);
    const Row rows[] = {
        {"fits: unchanged", A::Left, 3, true, {}, label},
        {"left-aligned: to the right", A::Left, 5, false, {}, {40, 100, 95, 113}},
        {"right-aligned: to the left", A::Right, 5, false, {}, {25, 100, 80, 113}},
        {"centred: both ways", A::Centre, 5, false, {}, {32, 100, 87, 113}},
        {"centred, blocked on the left", A::Centre, 5, false, {onLeft}, {36, 100, 91, 113}},
        {"up to a neighbour", A::Left, 5, false, {slider}, {40, 100, 90, 113}},
        {"up to its group box's frame", A::Left, 5, false, {narrowGroup}, {40, 100, 85, 113}},
        {"up to the client's edge", A::Left, 5, false, {}, {40, 100, 88, 113}, {0, 0, 88, 300}},
        {"a group box it is not in", A::Left, 5, false, {otherGroup}, {40, 100, 88, 113}},
        {"wrapped evenly around its line", A::Left, 5, true, {slider}, {40, 94, 73, 120}},
        {"wrapped, moved up", A::Left, 5, true, {slider, below}, {40, 88, 73, 114}},
        {"no room for two lines", A::Left, 5, true, {slider, above, below}, {40, 100, 90, 113}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        panel::Label fitted{label, row.align, Ideographs(row.ideographs, 1000), nullptr};
        if (row.wraps)
            fitted.wrapped = [&](int width) { return Ideographs(row.ideographs, width); };
        std::vector<Neighbour> others = row.neighbours;
        others.push_back(Group(5, 40, 202, 202));
        EXPECT_EQ(panel::FitLabel(fitted, others, row.client), row.expected);
    }
}

} // namespace
