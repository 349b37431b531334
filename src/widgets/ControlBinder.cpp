#include "widgets/ControlBinder.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QWidget>

namespace vt {

namespace {

QColor qcolor(Color c) {
    return QColor(static_cast<int>((c >> 16) & 255), static_cast<int>((c >> 8) & 255), static_cast<int>(c & 255));
}

}  // namespace

ControlBinder::~ControlBinder() {
    for (auto [listeners, id] : bound_) listeners->remove(id);
}

void ControlBinder::listen(Control& c, std::function<void()> listener) {
    bound_.emplace_back(&c.changed, c.changed.add(std::move(listener)));
}

void ControlBinder::listen(GaugeModel& g, std::function<void()> listener) {
    bound_.emplace_back(&g.changed, g.changed.add(std::move(listener)));
}

void ControlBinder::listen(ScrollModel& sc, std::function<void()> listener) {
    bound_.emplace_back(&sc.changed, sc.changed.add(std::move(listener)));
}

void ControlBinder::bind(ScrollModel& sc, QScrollBar* bar, std::function<void()> moved) {
    auto sync = [bar, &sc] {
        const QSignalBlocker quiet(bar);
        bar->setRange(sc.Min, sc.Max);
        bar->setValue(sc.Value);
        bar->setEnabled(sc.Enabled);
    };
    listen(sc, sync);
    sync();
    QObject::connect(bar, &QScrollBar::valueChanged, bar, [&sc, moved = std::move(moved)](int v) {
        sc.Value = v;
        if (moved) moved();
    });
}

void ControlBinder::bind(Control& c, QWidget* w) {
    auto sync = [w, &c] {
        const QString text = qs(c.Caption);
        if (auto* label = qobject_cast<QLabel*>(w)) label->setText(text);
        if (auto* box = qobject_cast<QGroupBox*>(w)) box->setTitle(text);
        if (auto* edit = qobject_cast<QLineEdit*>(w)) edit->setText(text);
        if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            button->setText(text);
            if (button->isCheckable()) button->setChecked(c.Checked);
        }
        w->setEnabled(c.Enabled);
        w->setVisible(c.Visible);
        if (c.hasBackColor) {
            QPalette p = w->palette();
            p.setColor(QPalette::Window, qcolor(c.BackColor));
            w->setAutoFillBackground(true);
            w->setPalette(p);
        }
    };
    listen(c, sync);
    sync();
}

void ControlBinder::bind(Control& c, QAction* a) {
    auto sync = [a, &c] {
        a->setText(qs(c.Caption));
        a->setEnabled(c.Enabled);
        a->setVisible(c.Visible);
        if (a->isCheckable()) a->setChecked(c.Checked);
    };
    listen(c, sync);
    sync();
}

void ControlBinder::bindTitle(Control& c, QWidget* window) {
    auto sync = [window, &c] { window->setWindowTitle(qs(c.Caption)); };
    listen(c, sync);
    sync();
}

QFont captionFont(const std::string& uiFontName) {
    QFont f = QApplication::font();
    if (!uiFontName.empty()) f.setFamily(qs(uiFontName));
    return f;
}

QFont listFont() {
    QFont f(QStringLiteral("DejaVu Sans Mono"));
    if (!QFontInfo(f).fixedPitch()) f = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    f.setStyleHint(QFont::Monospace);
    f.setPointSizeF(QApplication::font().pointSizeF());
    return f;
}

}  // namespace vt
