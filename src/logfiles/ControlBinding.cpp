#include "logfiles/ControlBinding.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QWidget>

namespace vt {

ControlBinding::~ControlBinding() {
    for (Control* c : bound_) c->changed = nullptr;
}

void ControlBinding::bind(Control& c, QWidget* w) {
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
    };
    c.changed = sync;
    bound_.push_back(&c);
    sync();
}

void ControlBinding::bindTitle(Control& c, QWidget* window) {
    auto sync = [window, &c] { window->setWindowTitle(qs(c.Caption)); };
    c.changed = sync;
    bound_.push_back(&c);
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
