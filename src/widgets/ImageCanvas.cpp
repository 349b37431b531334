#include "widgets/ImageCanvas.h"

#include <cmath>
#include <stdexcept>

#include <QFont>
#include <QGlyphRun>
#include <QPen>

namespace vt {

namespace {

QColor qcolor(Color c) {
    return QColor(static_cast<int>((c >> 16) & 255), static_cast<int>((c >> 8) & 255), static_cast<int>(c & 255));
}

QRawFont pictureFont() {
    // Sized so one glyph cell is about one 4.5-pixel column wide.
    QFont f(QStringLiteral("DejaVu Sans Mono"));
    f.setStyleHint(QFont::Monospace);
    f.setPixelSize(8);
    f.setHintingPreference(QFont::PreferNoHinting);
    return QRawFont::fromFont(f);
}

}  // namespace

ImageCanvas::ImageCanvas(int width, int height, double scale)
    : Canvas(width, height),
      scale_(scale),
      image_(static_cast<int>(std::lround(width * scale)), static_cast<int>(std::lround(height * scale)),
             QImage::Format_RGB32) {
    image_.setDevicePixelRatio(scale);
    // At a whole-number scale every picture pixel is a block of device pixels and lines stay
    // crisp; at 1.5 a one-pixel line would come out one or two pixels wide by position, so
    // lines are smoothed there instead.
    smooth_ = scale != static_cast<int>(scale);
    image_.fill(Qt::white);
    font_ = pictureFont();
    if (font_.isValid()) {
        // Centre the glyphs in the 12-pixel row.
        float h = static_cast<float>(font_.ascent() + font_.descent());
        baseline_ = (kRowHeight - h) / 2 + static_cast<float>(font_.ascent());
    }
}

ImageCanvas::~ImageCanvas() {
    if (painter_.isActive()) painter_.end();
}

QPainter& ImageCanvas::painter() {
    if (!painter_.isActive()) {
        painter_.begin(&image_);
        penColor_ = 0xFFFFFFFF;
        painter_.setRenderHint(QPainter::Antialiasing, smooth_);
        painter_.setRenderHint(QPainter::TextAntialiasing, true);
    }
    return painter_;
}

const QImage& ImageCanvas::image() {
    if (painter_.isActive()) painter_.end();
    return image_;
}

bool ImageCanvas::savePng(const std::string& path) { return image().save(QString::fromStdString(path), "PNG"); }

void ImageCanvas::setPen(Color c, DrawStyle s) {
    if (c == penColor_ && s == penStyle_) return;
    // Pens are made once per colour and style: the graphs switch between their curve colours
    // for every record, and a new pen each time would allocate on that path.
    for (const auto& made : pens_) {
        if (made.color == c && made.style == s) {
            painter_.setPen(made.pen);
            penColor_ = c;
            penStyle_ = s;
            return;
        }
    }
    QPen pen(qcolor(c));
    pen.setWidthF(1.0);
    pen.setCapStyle(Qt::SquareCap);
    if (s == DrawStyle::Dot) pen.setDashPattern({1.0, 2.0});
    pens_.push_back({c, s, pen});
    painter_.setPen(pen);
    penColor_ = c;
    penStyle_ = s;
}

void ImageCanvas::doClear(Color back) {
    if (painter_.isActive()) painter_.end();
    image_.fill(qcolor(back));
}

// Pixel (x, y) covers the square from (x, y) to (x + 1, y + 1); lines run through pixel
// centres so that a one-pixel line covers exactly its pixels.
void ImageCanvas::doLine(float x1, float y1, float x2, float y2, Color c, DrawStyle s) {
    QPainter& p = painter();
    setPen(c, s);
    p.drawLine(QPointF(x1 + 0.5, y1 + 0.5), QPointF(x2 + 0.5, y2 + 0.5));
}

void ImageCanvas::doBox(float x1, float y1, float x2, float y2, Color c, bool filled, DrawStyle s) {
    QPainter& p = painter();
    float l = std::min(x1, x2), r = std::max(x1, x2), t = std::min(y1, y2), b = std::max(y1, y2);
    if (filled) {
        p.fillRect(QRectF(l, t, r - l + 1, b - t + 1), qcolor(c));
    } else {
        setPen(c, s);
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(l + 0.5, t + 0.5, r - l, b - t));
    }
}

void ImageCanvas::doPixel(float x, float y, Color c) {
    QPainter& p = painter();
    p.fillRect(QRectF(std::floor(x), std::floor(y), 1, 1), qcolor(c));
}

void ImageCanvas::doCircle(float x, float y, float r, Color c, DrawStyle s) {
    QPainter& p = painter();
    setPen(c, s);
    p.setBrush(Qt::NoBrush);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.drawEllipse(QPointF(x + 0.5, y + 0.5), r, r);
    p.setRenderHint(QPainter::Antialiasing, smooth_);
}

void ImageCanvas::doText(float x, float y, std::string_view text, Color c) {
    if (!font_.isValid()) return;
    QString s = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    QList<quint32> glyphs = font_.glyphIndexesForString(s);
    QList<QPointF> positions;
    positions.reserve(glyphs.size());
    for (qsizetype i = 0; i < glyphs.size(); ++i)
        positions.append(QPointF(x + static_cast<float>(i) * kColumnWidth, y + baseline_));
    QGlyphRun run;
    run.setRawFont(font_);
    run.setGlyphIndexes(glyphs);
    run.setPositions(positions);
    QPainter& p = painter();
    setPen(c, DrawStyle::Solid);
    p.drawGlyphRun(QPointF(0, 0), run);
}

std::function<std::unique_ptr<Canvas>(int width, int height)> imageCanvases(double scale) {
    return [scale](int w, int h) { return std::make_unique<ImageCanvas>(w, h, scale); };
}

ImageCanvas& imageCanvas(Canvas& picture) {
    auto* image = dynamic_cast<ImageCanvas*>(&picture);
    if (image == nullptr) throw std::logic_error("a picture that is not drawn into an image");
    return *image;
}

}  // namespace vt
