#include "logfiles/ui/Form3.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QVBoxLayout>

#include "logfiles/ListWindow.h"

namespace vt {

namespace {

// The hourglass while a long step runs.
struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

}  // namespace

// ---- ListText ---------------------------------------------------------------------------

ListText::ListText(QWidget* parent) : QPlainTextEdit(parent) {}

void ListText::mousePressEvent(QMouseEvent* e) {
    // A press inside the old selection would start dragging it and leave no selection at the
    // release; every press starts a new pick instead.
    if (e->button() == Qt::LeftButton && !(e->modifiers() & Qt::ShiftModifier)) {
        QTextCursor c = textCursor();
        c.clearSelection();
        setTextCursor(c);
    }
    QPlainTextEdit::mousePressEvent(e);
    if (e->button() == Qt::LeftButton && pressed) pressed(static_cast<float>(e->position().y()));
}

void ListText::mouseReleaseEvent(QMouseEvent* e) {
    QPlainTextEdit::mouseReleaseEvent(e);
    if (e->button() == Qt::LeftButton && released) released(static_cast<float>(e->position().y()));
}

void ListText::mouseDoubleClickEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton && doubleClicked && doubleClicked()) return;
    QPlainTextEdit::mouseDoubleClickEvent(e);
}

// ---- Form3 ------------------------------------------------------------------------------

Form3::Form3(Module1& m, MainformState& f, Services& s, Form3State& st, QWidget* parent)
    : QDialog(parent), m_(m), f_(f), s_(s), st_(st) {
    setModal(true);
    setSizeGripEnabled(true);
    const QFont caption = captionFont(m_.UiFontName);
    const QFont fixed = listFont();
    setFont(caption);

    auto* layout = new QVBoxLayout(this);
    auto* title = new QLabel(this);
    QFont bold = caption;
    bold.setBold(true);
    title->setFont(bold);
    layout->addWidget(title);

    // The header is a one-line box of the same kind as the list, so its columns stand exactly
    // over the list's and scroll with it.
    text2_ = new QPlainTextEdit(this);
    text2_->setObjectName(QStringLiteral("Text2"));
    text2_->setReadOnly(true);
    text2_->setFont(fixed);
    text2_->setLineWrapMode(QPlainTextEdit::NoWrap);
    text2_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    text2_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    text2_->setFocusPolicy(Qt::NoFocus);
    layout->addWidget(text2_);

    text1_ = new ListText(this);
    text1_->setObjectName(QStringLiteral("Text1"));
    text1_->setReadOnly(true);
    text1_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    text1_->setFont(fixed);
    text1_->setLineWrapMode(QPlainTextEdit::NoWrap);
    layout->addWidget(text1_, 1);
    {
        const QFontMetrics fm(fixed);
        const int margin = static_cast<int>(text1_->document()->documentMargin());
        text2_->setFixedHeight(fm.lineSpacing() + 2 * margin + 2 * text2_->frameWidth() + 2);
        connect(text1_->horizontalScrollBar(), &QScrollBar::valueChanged, text2_->horizontalScrollBar(),
                &QScrollBar::setValue);
    }

    // Best lap, log name and date, buttons.
    auto* bottom = new QHBoxLayout();
    auto* best = new QGroupBox(this);
    auto* bestLayout = new QHBoxLayout(best);
    auto* bestLap = new QLabel(best);
    auto* bestTime = new QLabel(best);
    QFont big = fixed;
    big.setBold(true);
    big.setPointSizeF(fixed.pointSizeF() * 1.3);
    bestLap->setFont(big);
    bestTime->setFont(big);
    bestLayout->addWidget(bestLap);
    bestLayout->addWidget(bestTime);
    bottom->addWidget(best);

    auto* info = new QGridLayout();
    auto* nameCaption = new QLabel(this);
    auto* name = new QLabel(this);
    auto* dateCaption = new QLabel(this);
    auto* date = new QLabel(this);
    name->setFont(bold);
    info->addWidget(nameCaption, 0, 0);
    info->addWidget(name, 0, 1);
    info->addWidget(dateCaption, 1, 0);
    info->addWidget(date, 1, 1);
    bottom->addLayout(info);
    bottom->addStretch(1);

    auto* buttonGrid = new QGridLayout();
    const std::pair<Control*, std::function<void()>> handlers[] = {
        {&st_.Command1, [this] { Command1_Click(m_, st_, s_); }},
        {&st_.Command2,
         [this] {
             Command2_Click(m_, st_, s_, [this](std::string* error) {
                 QApplication::processEvents();  // the hidden buttons leave the picture first
                 return s_.ui.printImage(grab().toImage(), error);
             });
         }},
        {&st_.DEL, [this] { DEL_Click(m_, st_, s_); }},
        {&st_.UN_DO, [this] { UN_DO_Click(m_, st_); }},
        {&st_.Re_Save,
         [this] {
             WaitCursor wait;
             Re_Save_Click(m_, st_, s_);
         }},
        {&st_.TEXT_SAVE,
         [this] {
             WaitCursor wait;
             TEXT_SAVE_Click(m_, f_, st_, s_);
         }},
        {&st_.REF_SET, [this] { REF_SET_Click(m_, st_, s_); }},
    };
    int i = 0;
    for (const auto& [control, handler] : handlers) {
        auto* b = new QPushButton(this);
        buttons_.emplace_back(control, b);
        buttonGrid->addWidget(b, i / 3, i % 3);
        ++i;
        Control* c = control;
        const bool busy = c == &st_.TEXT_SAVE || c == &st_.Re_Save;
        connect(b, &QPushButton::clicked, this, [this, c, h = handler, busy] { run(*c, h, busy); });
    }
    auto* refLabel = new QLabel(this);
    buttonGrid->addWidget(refLabel, i / 3, i % 3, 1, 3 - i % 3);
    bottom->addLayout(buttonGrid);
    layout->addLayout(bottom);

    binding_.bindTitle(st_.window, this);
    binding_.bind(st_.Label2, title);
    binding_.bind(st_.Frame1, best);
    binding_.bind(st_.Label4, bestLap);
    binding_.bind(st_.Label6, bestTime);
    binding_.bind(st_.Label8, nameCaption);
    binding_.bind(st_.Label7, name);
    binding_.bind(st_.Label9, dateCaption);
    binding_.bind(st_.Label10, date);
    for (auto& [control, b] : buttons_) binding_.bind(*const_cast<Control*>(control), b);
    binding_.bind(st_.RefLabel, refLabel);

    text1_->pressed = [this](float y) {
        if (st_.Mode != 0 || st_.Unloaded) return;
        const int32_t caret = text1PosFromBox(st_.Text1, text1_->textCursor().position());
        Text1_MouseDown(st_, caret, y);
        syncSelection();
    };
    text1_->released = [this](float y) {
        if (st_.Mode != 0 || st_.Unloaded) return;
        readSelection();
        Text1_MouseUp(m_, st_, s_, y);
        syncSelection();
    };
    text1_->doubleClicked = [this] {
        if (st_.Mode != 0 || st_.Unloaded) return false;
        Text1_DblClick(m_, st_);
        afterEvent();
        return true;
    };

    {
        WaitCursor wait;
        Form_Load(m_, f_, st_);
    }
    syncText();

    // Height for the mode (list_size): the list shows its rows plus a margin of five lines.
    const QFontMetrics fm(fixed);
    const int rows = std::max(0, (st_.HeightTwips - 2400) / 180);
    text1_->setMinimumHeight((rows + 5) * fm.lineSpacing() + 2 * text1_->frameWidth() + 4);
    const int width = fm.horizontalAdvance(QString(82, QLatin1Char('0'))) +
                      text1_->verticalScrollBar()->sizeHint().width() + 2 * text1_->frameWidth() + 24;
    text1_->setMinimumWidth(width);
    adjustSize();
    text1_->setMinimumHeight(4 * fm.lineSpacing());
}

QPushButton* Form3::button(const Control& c) const {
    for (const auto& [control, b] : buttons_)
        if (control == &c) return b;
    return nullptr;
}

void Form3::reject() {
    if (!isEnabled()) return;  // not while the export runs
    QDialog::reject();
}

void Form3::run(Control& c, const std::function<void()>& handler, bool busy) {
    if (st_.Unloaded || !c.Enabled || !c.Visible) return;
    if (busy) setEnabled(false);
    handler();
    if (busy) setEnabled(true);
    afterEvent();
}

void Form3::afterEvent() {
    syncText();
    if (st_.Unloaded) accept();
}

void Form3::syncText() {
    const QString header = qs(st_.Text2);
    if (text2_->toPlainText() != header) text2_->setPlainText(header);
    // The box shows line ends as one character each.
    std::string shown;
    shown.reserve(st_.Text1.size());
    for (size_t i = 0; i < st_.Text1.size(); ++i) {
        if (st_.Text1[i] == '\r' && i + 1 < st_.Text1.size() && st_.Text1[i + 1] == '\n') continue;
        shown += st_.Text1[i];
    }
    if (shown.size() >= 1 && shown.back() == '\n') shown.pop_back();
    const QString text = qs(shown);
    if (text1_->toPlainText() != text) {
        const int scroll = text1_->verticalScrollBar()->value();
        text1_->setPlainText(text);
        text1_->verticalScrollBar()->setValue(scroll);
    }
    syncSelection();
}

void Form3::syncSelection() {
    QTextCursor c = text1_->textCursor();
    const int last = std::max(0, text1_->document()->characterCount() - 1);
    const int from = std::min(boxPosFromText1(st_.Text1, st_.SelStart), last);
    const int to = std::min(boxPosFromText1(st_.Text1, st_.SelStart + st_.SelLength), last);
    c.setPosition(from);
    c.setPosition(to, QTextCursor::KeepAnchor);
    text1_->setTextCursor(c);
}

void Form3::readSelection() {
    const QTextCursor c = text1_->textCursor();
    const int32_t from = text1PosFromBox(st_.Text1, c.selectionStart());
    int32_t to = text1PosFromBox(st_.Text1, c.selectionEnd());
    // A selection that reaches the end of the last line takes its line end too, as a
    // selection over a line end does everywhere else.
    if (c.selectionEnd() >= text1_->document()->characterCount() - 1) to = static_cast<int32_t>(st_.Text1.size());
    st_.SelStart = from;
    st_.SelLength = to - from;
}

}  // namespace vt
