// Where a static whose caption does not fit it may grow: into free room
// beside it, towards the side its text is aligned from (a left-aligned label
// to the right, a right-aligned one to the left, a centred one both ways),
// never over another control, out of its group box or out of the dialog.
// When the room beside is not enough, a label that wraps takes more lines
// where there is room above and below.
#pragma once

#include <functional>
#include <vector>

namespace panel {

// Pixels of the dialog's client area; right and bottom lie outside.
struct Box {
    int left = 0, top = 0, right = 0, bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
};

inline bool operator==(const Box& a, const Box& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

struct TextSize {
    int width = 0, height = 0;
};

enum class TextAlign { Left, Centre, Right };

struct Label {
    Box box;
    TextAlign align = TextAlign::Left;
    TextSize oneLine; // the caption on one line
    // The caption's size as the label draws it wrapped in that width; empty
    // for a label that keeps its text on one line.
    std::function<TextSize(int width)> wrapped;
};

// Another control of the dialog, visible or not. A group box holds what
// lies inside its frame (`inside`).
struct Neighbour {
    Box box;
    bool groupBox = false;
    Box inside;
};

// The label's new box; its own box when its caption fits it. It stays inside
// `client` and inside the group boxes whose inside holds it. Growth
// across comes first; a label whose caption then still does not fit on one
// line wraps, at the narrowest width that takes no more lines than the widest
// room would, centred on its line as far as the room above and below allows,
// if the whole caption then shows. Otherwise it keeps one line, as wide as
// the room allows.
Box FitLabel(const Label& label, const std::vector<Neighbour>& others, const Box& client);

} // namespace panel
