#include "widgets/PictureBox.h"

#include <cmath>

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace vt {

PictureBox::PictureBox(ImageCanvas& canvas, QWidget* parent) : QWidget(parent), canvas_(canvas) {
    setFixedSize(static_cast<int>(std::lround(canvas.width() * canvas.scale())),
                 static_cast<int>(std::lround(canvas.height() * canvas.scale())));
    setFocusPolicy(Qt::ClickFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    // Drawing comes in bursts (a whole graph, or one record ten times a second): repaint at
    // most every 30 ms, and only when something was drawn.
    connect(&poll_, &QTimer::timeout, this, [this] {
        if (canvas_.takeChanged()) update();
    });
    poll_.start(30);
}

void PictureBox::paintEvent(QPaintEvent*) {
    canvas_.takeChanged();
    QPainter p(this);
    // The image holds `scale` device pixels per picture pixel; the widget is that many
    // pixels per picture pixel, so this is one to one on an ordinary screen.
    const QImage& img = canvas_.image();
    p.drawImage(QRectF(rect()), img, QRectF(0, 0, img.width(), img.height()));
}

void PictureBox::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) pressed_ = true;
}

void PictureBox::mouseReleaseEvent(QMouseEvent* e) {
    if (pressed_ && e->button() == Qt::LeftButton && rect().contains(e->position().toPoint())) emit clicked();
    pressed_ = false;
}

void PictureBox::mouseMoveEvent(QMouseEvent* e) {
    emit mouseMoved(e->position().x() / scale(), e->position().y() / scale());
}

void PictureBox::keyPressEvent(QKeyEvent* e) {
    switch (e->key()) {
        case Qt::Key_Left:
            emit keyPressed(37);
            break;
        case Qt::Key_Right:
            emit keyPressed(39);
            break;
        case Qt::Key_Up:
            emit keyPressed(38);
            break;
        case Qt::Key_Down:
            emit keyPressed(40);
            break;
        default:
            QWidget::keyPressEvent(e);
            break;
    }
}

}  // namespace vt
