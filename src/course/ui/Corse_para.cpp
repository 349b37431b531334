#include "course/ui/Corse_para.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

namespace vt {

Corse_para::Corse_para(Module1& m, CorseParaState& st, QWidget* parent) : QDialog(parent), m_(m), st_(st) {
    setModal(true);
    setFont(captionFont(m_.UiFontName));
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout();
    struct Row {
        Control* name;
        ScrollModel* bar;
        Control* value;
        void (*moved)(Module1&, CorseParaState&);
    };
    const Row rows[3] = {{&st_.Label4, &st_.HScroll1, &st_.Label1, HScroll1_Change},
                         {&st_.Label5, &st_.HScroll2, &st_.Label2, HScroll2_Change},
                         {&st_.Label6, &st_.HScroll3, &st_.Label3, HScroll3_Change}};
    for (int i = 0; i < 3; ++i) {
        auto* name = new QLabel(this);
        binding_.bind(*rows[i].name, name);
        auto* bar = new QScrollBar(Qt::Horizontal, this);
        bar->setObjectName(QStringLiteral("HScroll%1").arg(i + 1));
        bar->setMinimumWidth(260);
        bar->setPageStep(10);
        bars_[i] = bar;
        auto moved = rows[i].moved;
        binding_.bind(*rows[i].bar, bar, [this, moved] { moved(m_, st_); });
        auto* value = new QLabel(this);
        value->setMinimumWidth(70);
        value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        binding_.bind(*rows[i].value, value);
        grid->addWidget(name, i, 0);
        grid->addWidget(bar, i, 1);
        grid->addWidget(value, i, 2);
    }
    grid->setColumnStretch(1, 1);
    layout->addLayout(grid);

    auto* buttons = new QHBoxLayout();
    auto button = [this, buttons](Control& c, void (*click)(CorseParaState&)) {
        auto* b = new QPushButton(this);
        binding_.bind(c, b);
        connect(b, &QPushButton::clicked, this, [this, click] {
            click(st_);
            afterEvent();
        });
        buttons->addWidget(b);
        return b;
    };
    button(st_.Corse_ok, Corse_ok_Click)->setDefault(true);
    button(st_.Corse_end, Corse_end_Click);
    buttons->addStretch(1);
    button(st_.Corse_cancel, Corse_cancel_Click);
    layout->addLayout(buttons);
    binding_.bindTitle(st_.window, this);
}

void Corse_para::afterEvent() {
    if (st_.Unloaded) accept();
}

void Corse_para::reject() {
    Corse_cancel_Click(st_);
    QDialog::reject();
}

}  // namespace vt
