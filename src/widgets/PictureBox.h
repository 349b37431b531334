// A widget that shows an ImageCanvas at its scale and reports clicks, pointer moves and keys
// in picture pixels.
#pragma once

#include <QTimer>
#include <QWidget>

#include "widgets/ImageCanvas.h"

namespace vt {

class PictureBox : public QWidget {
    Q_OBJECT
  public:
    PictureBox(ImageCanvas& canvas, QWidget* parent = nullptr);
    ImageCanvas& canvas() { return canvas_; }
    // Picture pixels to widget pixels.
    double scale() const { return canvas_.scale(); }

  signals:
    void clicked();
    void mouseMoved(double x, double y);
    void keyPressed(int keyCode);  // 37 left arrow, 39 right arrow, as the program expects

  protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void keyPressEvent(QKeyEvent*) override;

  private:
    ImageCanvas& canvas_;
    QTimer poll_;
    bool pressed_ = false;
};

}  // namespace vt
