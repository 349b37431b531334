#include "dialup/ui/Form4.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace vt {

Form4::Form4(Module1& m, Services& s, QWidget* parent) : QDialog(parent), m_(m), s_(s) {
    setModal(true);
    setFont(captionFont(m_.UiFontName));
    Form_Load(m_, st_);
    auto* layout = new QVBoxLayout(this);
    combo_ = new QComboBox(this);
    combo_->setObjectName(QStringLiteral("Combo1"));
    combo_->setEditable(true);
    combo_->setInsertPolicy(QComboBox::NoInsert);
    combo_->setMinimumWidth(260);
    layout->addWidget(combo_);
    showList();
    connect(combo_, qOverload<int>(&QComboBox::activated), this, [this](int index) { Combo1_Click(st_, index); });
    connect(combo_->lineEdit(), &QLineEdit::textEdited, this,
            [this](const QString& text) { st_.Combo1Text = text.toStdString(); });
    // Enter in the box is OK.
    connect(combo_->lineEdit(), &QLineEdit::returnPressed, this, [this] {
        st_.Combo1Text = combo_->currentText().toStdString();
        Combo1_KeyDown(m_, st_, s_, 13);
        afterEvent();
    });
    auto* buttons = new QHBoxLayout();
    auto button = [this, buttons](Control& c, auto onClick) {
        auto* b = new QPushButton(this);
        b->setAutoDefault(false);
        binding_.bind(c, b);
        connect(b, &QPushButton::clicked, this, [this, onClick] {
            st_.Combo1Text = combo_->currentText().toStdString();
            onClick();
            showList();
            afterEvent();
        });
        buttons->addWidget(b);
    };
    button(st_.Command1, [this] { Command1_Click(m_, st_, s_); });
    button(st_.Command2, [this] { Command2_Click(m_, st_, s_); });
    button(st_.Delete_no, [this] { Delete_no_Click(m_, st_, s_); });
    layout->addLayout(buttons);
    binding_.bindTitle(st_.window, this);
}

void Form4::showList() {
    combo_->blockSignals(true);
    combo_->clear();
    for (const std::string& entry : st_.Combo1) combo_->addItem(qs(entry));
    if (st_.ListIndex >= 0) combo_->setCurrentIndex(st_.ListIndex);
    combo_->setEditText(qs(st_.Combo1Text));
    combo_->blockSignals(false);
}

void Form4::afterEvent() {
    if (st_.Unloaded) accept();
}

}  // namespace vt
