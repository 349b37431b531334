#include "platform/Canvas.h"

#include <cmath>

#include "platform/NumText.h"

namespace vt {

Color QBColor(int n) {
    static constexpr Color palette[16] = {
        rgb(0, 0, 0),     rgb(0, 0, 128),     rgb(0, 128, 0),     rgb(0, 128, 128),   rgb(128, 0, 0), rgb(128, 0, 128),
        rgb(128, 128, 0), rgb(192, 192, 192), rgb(128, 128, 128), rgb(0, 0, 255),     rgb(0, 255, 0), rgb(0, 255, 255),
        rgb(255, 0, 0),   rgb(255, 0, 255),   rgb(255, 255, 0),   rgb(255, 255, 255),
    };
    return palette[n & 15];
}

std::string printed(long long v) { return Str(v) + " "; }
std::string printed(float v) { return Str(v) + " "; }

void Canvas::setBackColor(Color c) {
    back_ = c;
    doClear(c);
    markChanged();
}

void Canvas::Cls() {
    doClear(back_);
    CurrentX = 0;
    CurrentY = 0;
    markChanged();
}

float Canvas::textWidth(std::string_view s) const {
    // One column per character; a multi-byte UTF-8 sequence is one character.
    int n = 0;
    for (unsigned char c : s)
        if ((c & 0xC0) != 0x80) ++n;
    return static_cast<float>(n) * kColumnWidth;
}

void Canvas::printItem(const PrintItem& item) {
    switch (item.kind()) {
        case PrintItem::Kind::Text:
            if (!item.text().empty()) {
                doText(CurrentX, CurrentY, item.text(), ForeColor);
                CurrentX += textWidth(item.text());
            }
            break;
        case PrintItem::Kind::Tab: {
            float x = static_cast<float>(std::max(item.n(), 1) - 1) * kColumnWidth;
            // Past the column already: the column on the next row.
            if (CurrentX > x + 0.01f) CurrentY += kRowHeight;
            CurrentX = x;
            break;
        }
        case PrintItem::Kind::Spc:
            CurrentX += static_cast<float>(std::max(item.n(), 0)) * kColumnWidth;
            break;
    }
}

void Canvas::Print(std::initializer_list<PrintItem> items, bool lineEnd) { print(items.begin(), items.end(), lineEnd); }

void Canvas::Print(const std::vector<PrintItem>& items, bool lineEnd) {
    print(items.data(), items.data() + items.size(), lineEnd);
}

void Canvas::print(const PrintItem* first, const PrintItem* last, bool lineEnd) {
    for (const PrintItem* item = first; item != last; ++item) printItem(*item);
    if (lineEnd) {
        CurrentX = 0;
        CurrentY += kRowHeight;
    }
    markChanged();
}

void Canvas::Line(float x1, float y1, float x2, float y2) { Line(x1, y1, x2, y2, ForeColor); }

void Canvas::Line(float x1, float y1, float x2, float y2, Color c) {
    doLine(x1, y1, x2, y2, c, drawStyle);
    CurrentX = x2;
    CurrentY = y2;
    markChanged();
}

void Canvas::Box(float x1, float y1, float x2, float y2, Color c, bool filled) {
    doBox(x1, y1, x2, y2, c, filled, drawStyle);
    CurrentX = x2;
    CurrentY = y2;
    markChanged();
}

void Canvas::PSet(float x, float y, Color c) {
    doPixel(x, y, c);
    CurrentX = x;
    CurrentY = y;
    markChanged();
}

void Canvas::Circle(float x, float y, float r, Color c) {
    doCircle(x, y, r, c, drawStyle);
    CurrentX = x;
    CurrentY = y;
    markChanged();
}

// ---- recording --------------------------------------------------------------------------

std::vector<RecordingCanvas::Op> RecordingCanvas::texts() const {
    std::vector<Op> out;
    for (const auto& op : ops)
        if (op.kind == Op::Text) out.push_back(op);
    return out;
}

std::vector<RecordingCanvas::Op> RecordingCanvas::linesOf(Color c) const {
    std::vector<Op> out;
    for (const auto& op : ops)
        if (op.kind == Op::Line && op.color == c) out.push_back(op);
    return out;
}

void RecordingCanvas::doClear(Color back) { ops.push_back({Op::Clear, 0, 0, 0, 0, back, DrawStyle::Solid, {}}); }

void RecordingCanvas::doLine(float x1, float y1, float x2, float y2, Color c, DrawStyle s) {
    ops.push_back({Op::Line, x1, y1, x2, y2, c, s, {}});
}

void RecordingCanvas::doBox(float x1, float y1, float x2, float y2, Color c, bool filled, DrawStyle s) {
    ops.push_back({filled ? Op::FilledBox : Op::Box, x1, y1, x2, y2, c, s, {}});
}

void RecordingCanvas::doPixel(float x, float y, Color c) {
    ops.push_back({Op::Pixel, x, y, x, y, c, DrawStyle::Solid, {}});
}

void RecordingCanvas::doCircle(float x, float y, float r, Color c, DrawStyle s) {
    ops.push_back({Op::Circle, x, y, r, r, c, s, {}});
}

void RecordingCanvas::doText(float x, float y, std::string_view text, Color c) {
    ops.push_back({Op::Text, x, y, x, y, c, DrawStyle::Solid, std::string(text)});
}

}  // namespace vt
