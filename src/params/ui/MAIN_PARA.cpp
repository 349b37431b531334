#include "params/ui/MAIN_PARA.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QVBoxLayout>

namespace vt {

MAIN_PARA::MAIN_PARA(Module1& m, MainformState& f, Services& s, QWidget* parent)
    : QDialog(parent), m_(m), f_(f), s_(s) {
    setModal(false);
    setAttribute(Qt::WA_DeleteOnClose);
    setFont(captionFont(m_.UiFontName));
    Form_Load(m_, f_, st_);

    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout();
    grid->setVerticalSpacing(2);
    auto label = [this](Control& c) {
        auto* l = new QLabel(this);
        binding_.bind(c, l);
        return l;
    };
    auto option = [this](int i) {
        auto* r = new QRadioButton(this);
        r->setAutoExclusive(false);
        r->setCheckable(true);
        r->setObjectName(QStringLiteral("TRANS%1").arg(i));
        binding_.bind(st_.TRANS[static_cast<size_t>(i)], r);
        connect(r, &QRadioButton::clicked, this, [this, i] { TRANS_Click(st_, i); });
        return r;
    };
    const auto& rows = para_rows();
    for (int i = 0; i < kMainParaRows; ++i) {
        // The names: one label a row, with the extras rows 15..17 carry.
        auto* names = new QHBoxLayout();
        names->setSpacing(8);
        if (i <= 15) names->addWidget(label(st_.Label1[static_cast<size_t>(i)]));
        if (i == 15) names->addWidget(label(st_.Label1[19]));
        if (i == 16) {
            names->addWidget(label(st_.Label1[18]));
            names->addWidget(option(0));
            names->addWidget(label(st_.Label1[20]));
        }
        if (i == 17) {
            names->addWidget(label(st_.Label1[21]));
            names->addWidget(option(1));
        }
        if (i == 18) names->addWidget(label(st_.Label1[16]));
        if (i == 19) names->addWidget(label(st_.Label1[17]));
        names->addStretch(1);
        grid->addLayout(names, i, 0);

        auto* bar = new QScrollBar(Qt::Horizontal, this);
        bar->setObjectName(QStringLiteral("HScroll1_%1").arg(i));
        bar->setMinimumWidth(240);
        bars_[static_cast<size_t>(i)] = bar;
        binding_.bind(st_.HScroll1[static_cast<size_t>(i)], bar, [this, i] { HScroll1_Change(st_, i); });
        grid->addWidget(bar, i, 1);

        QLabel* value = label(st_.Label2[static_cast<size_t>(i)]);
        value->setMinimumWidth(64);
        value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        value->setToolTip(QString::fromUtf8(rows[static_cast<size_t>(i)].tooltip));
        values_[static_cast<size_t>(i)] = value;
        grid->addWidget(value, i, 2);
    }
    grid->setColumnStretch(1, 1);
    layout->addLayout(grid);

    auto* buttons = new QHBoxLayout();
    for (int i = 0; i < 4; ++i) {
        auto* b = new QPushButton(this);
        b->setObjectName(QStringLiteral("Command1_%1").arg(i));
        binding_.bind(st_.Command1[static_cast<size_t>(i)], b);
        connect(b, &QPushButton::clicked, this, [this, i] { click(i); });
        buttons->addWidget(b);
    }
    layout->addLayout(buttons);
    binding_.bindTitle(st_.window, this);
}

void MAIN_PARA::click(int index) {
    if (!st_.Command1[static_cast<size_t>(index)].Enabled) return;
    Command1_Click(m_, f_, s_, st_, index);
}

}  // namespace vt
