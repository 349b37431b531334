// Picture-box drawing.
//
// The program draws its course picture, gauge panel, course list and graphs at fixed pixel
// coordinates with picture-box semantics: a current print position, Print with Tab(n) and
// Spc(n) items, lines, boxes, pixels and circles in a foreground colour. Canvas is that
// model. ImageCanvas renders it into a QImage (shown by PictureBox, written to PNG by the
// command-line tool); RecordingCanvas keeps the operations for tests.
//
// The picture font is fixed: DejaVu Sans Mono, one column every 4.5 pixels and one text row
// every 12 pixels. With that pitch the course list's columns at x = 60, 120, 180, 240, 300,
// 355 and 430 hold their texts, the panel's Tab(89)/Tab(99) temperature scales stay inside
// a 500-pixel picture and the graph scales end left of the plot frame at x = 59.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class QImage;

namespace vt {

using Color = uint32_t;  // 0xRRGGBB

constexpr Color rgb(int r, int g, int b) {
    return (static_cast<Color>(r & 255) << 16) | (static_cast<Color>(g & 255) << 8) | static_cast<Color>(b & 255);
}
// The standard 16-colour palette (0 black .. 15 bright white).
Color QBColor(int n);

constexpr Color kBlack = rgb(0, 0, 0);
constexpr Color kWhite = rgb(255, 255, 255);

enum class DrawStyle { Solid, Dot };

// Print items: Tab(n) moves to absolute column n (column 1 is x = 0), Spc(n) prints n blanks.
struct Tab {
    constexpr explicit Tab(int columns) : n(columns) {}
    int n;
};
struct Spc {
    constexpr explicit Spc(int blanks) : n(blanks) {}
    int n;
};

class PrintItem {
  public:
    enum class Kind { Text, Tab, Spc };
    PrintItem(std::string_view text) : kind_(Kind::Text), text_(text) {}    // NOLINT: implicit on purpose
    PrintItem(const std::string& text) : kind_(Kind::Text), text_(text) {}  // NOLINT
    PrintItem(const char* text) : kind_(Kind::Text), text_(text) {}         // NOLINT
    PrintItem(Tab t) : kind_(Kind::Tab), n_(t.n) {}                         // NOLINT
    PrintItem(Spc s) : kind_(Kind::Spc), n_(s.n) {}                         // NOLINT
    Kind kind() const { return kind_; }
    std::string_view text() const { return text_; }
    int n() const { return n_; }

  private:
    Kind kind_;
    std::string_view text_;
    int n_ = 0;
};

// A number as Print shows it: its standard text followed by one blank.
std::string printed(long long v);
std::string printed(float v);
inline std::string printed(int v) { return printed(static_cast<long long>(v)); }

class Canvas {
  public:
    static constexpr float kColumnWidth = 4.5f;
    static constexpr float kRowHeight = 12.0f;

    Canvas(int width, int height) : width_(width), height_(height) {}
    virtual ~Canvas() = default;
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    int width() const { return width_; }
    int height() const { return height_; }

    float CurrentX = 0, CurrentY = 0;
    Color ForeColor = kBlack;
    DrawStyle drawStyle = DrawStyle::Solid;

    Color backColor() const { return back_; }
    // Setting the background colour repaints the picture with it, as a picture box did.
    void setBackColor(Color c);

    // Clears to the background colour and puts the print position at (0, 0).
    void Cls();
    // Prints the items at the print position; with lineEnd the position moves to the start
    // of the next row, otherwise it stays after the last text.
    void Print(std::initializer_list<PrintItem> items, bool lineEnd = true);
    void Print(const std::vector<PrintItem>& items, bool lineEnd = true);
    // Line from (x1, y1) to (x2, y2) in the colour (ForeColor when omitted); the drawing
    // position moves to the end point.
    void Line(float x1, float y1, float x2, float y2);
    void Line(float x1, float y1, float x2, float y2, Color c);
    // Box outline or filled box with corners (x1, y1) and (x2, y2).
    void Box(float x1, float y1, float x2, float y2, Color c, bool filled);
    void PSet(float x, float y, Color c);
    void PSet(float x, float y) { PSet(x, y, ForeColor); }
    void Circle(float x, float y, float r, Color c);
    void Circle(float x, float y, float r) { Circle(x, y, r, ForeColor); }

    float textWidth(std::string_view s) const;

    // The picture as an image, for printing; none for a canvas that draws no image.
    virtual std::shared_ptr<QImage> snapshot() { return nullptr; }

    // Changes since the last call (for a widget that repaints only when needed).
    bool takeChanged() {
        bool c = changed_;
        changed_ = false;
        return c;
    }

  protected:
    // Drawing primitives, in picture pixels. Text is drawn with its cell's top-left at (x, y).
    virtual void doClear(Color back) = 0;
    virtual void doLine(float x1, float y1, float x2, float y2, Color c, DrawStyle s) = 0;
    virtual void doBox(float x1, float y1, float x2, float y2, Color c, bool filled, DrawStyle s) = 0;
    virtual void doPixel(float x, float y, Color c) = 0;
    virtual void doCircle(float x, float y, float r, Color c, DrawStyle s) = 0;
    virtual void doText(float x, float y, std::string_view text, Color c) = 0;
    void markChanged() { changed_ = true; }

  private:
    void printItem(const PrintItem& item);
    void print(const PrintItem* first, const PrintItem* last, bool lineEnd);
    int width_, height_;
    Color back_ = kWhite;
    bool changed_ = true;
};

// Keeps every drawing operation as a readable record for tests.
class RecordingCanvas : public Canvas {
  public:
    struct Op {
        enum Kind { Clear, Line, Box, FilledBox, Pixel, Circle, Text } kind;
        float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
        Color color = 0;
        DrawStyle style = DrawStyle::Solid;
        std::string text;
    };
    RecordingCanvas(int width = 500, int height = 300) : Canvas(width, height) {}
    std::vector<Op> ops;
    // All texts drawn, in order; texts drawn at a given row.
    std::vector<Op> texts() const;
    std::vector<Op> linesOf(Color c) const;
    void reset() { ops.clear(); }

  protected:
    void doClear(Color back) override;
    void doLine(float x1, float y1, float x2, float y2, Color c, DrawStyle s) override;
    void doBox(float x1, float y1, float x2, float y2, Color c, bool filled, DrawStyle s) override;
    void doPixel(float x, float y, Color c) override;
    void doCircle(float x, float y, float r, Color c, DrawStyle s) override;
    void doText(float x, float y, std::string_view text, Color c) override;
};

}  // namespace vt
