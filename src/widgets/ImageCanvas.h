// A Canvas drawn into a QImage.
//
// The image has `scale` device pixels per picture pixel, so the fixed pixel geometry of the
// pictures can be shown large and sharp on today's screens; the program always draws in
// picture pixels.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QImage>
#include <QPainter>
#include <QPen>
#include <QRawFont>

#include "platform/Canvas.h"

namespace vt {

class ImageCanvas : public Canvas {
  public:
    ImageCanvas(int width, int height, double scale = 1.0);
    ~ImageCanvas() override;

    // The picture as it stands (ends any drawing in progress).
    const QImage& image();
    std::shared_ptr<QImage> snapshot() override { return std::make_shared<QImage>(image()); }
    double scale() const { return scale_; }
    bool savePng(const std::string& path);

  protected:
    void doClear(Color back) override;
    void doLine(float x1, float y1, float x2, float y2, Color c, DrawStyle s) override;
    void doBox(float x1, float y1, float x2, float y2, Color c, bool filled, DrawStyle s) override;
    void doPixel(float x, float y, Color c) override;
    void doCircle(float x, float y, float r, Color c, DrawStyle s) override;
    void doText(float x, float y, std::string_view text, Color c) override;

  private:
    QPainter& painter();
    void setPen(Color c, DrawStyle s);
    double scale_;
    bool smooth_ = false;
    QImage image_;
    QPainter painter_;
    QRawFont font_;
    float baseline_ = 9.0f;
    struct MadePen {
        Color color;
        DrawStyle style;
        QPen pen;
    };
    std::vector<MadePen> pens_;  // a handful: one per colour and line style in use
    Color penColor_ = 0xFFFFFFFF;
    DrawStyle penStyle_ = DrawStyle::Solid;
};

// Makes image canvases at `scale` (for makeMainformState).
std::function<std::unique_ptr<Canvas>(int width, int height)> imageCanvases(double scale);

// The image canvas behind a picture; the window and the tool draw only into those. Throws
// std::logic_error for another kind of canvas.
ImageCanvas& imageCanvas(Canvas& picture);

}  // namespace vt
