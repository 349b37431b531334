#include "link/ui/ConfigScrn.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace vt {

ConfigScrn::ConfigScrn(Module1& m, MainformState& f, Services& s, QWidget* parent)
    : QDialog(parent), m_(m), f_(f), s_(s) {
    setModal(true);
    setFont(captionFont(m_.UiFontName));
    Form_Load(m_, f_, st_);
    auto* layout = new QVBoxLayout(this);

    // An option of a group: the model says which one is on.
    auto option = [this](Control& c, QWidget* parent, auto onClick) {
        auto* r = new QRadioButton(parent);
        r->setAutoExclusive(false);
        r->setCheckable(true);
        binding_.bind(c, r);
        connect(r, &QRadioButton::clicked, this, [this, onClick] {
            onClick();
            afterEvent();
        });
        return r;
    };

    auto* ports = new QGroupBox(this);
    binding_.bind(st_.Frame6, ports);
    auto* portGrid = new QGridLayout(ports);
    for (int i = 1; i <= 10; ++i)
        portGrid->addWidget(
            option(st_.ComPort[static_cast<size_t>(i)], ports, [this, i] { ComPort_Click(m_, f_, st_, i); }),
            (i - 1) / 5, (i - 1) % 5);
    auto* device = new QLabel(ports);
    device->setObjectName(QStringLiteral("DevicePath"));
    device->setWordWrap(true);
    binding_.bind(st_.DevicePath, device);
    portGrid->addWidget(device, 2, 0, 1, 5);
    layout->addWidget(ports);

    auto* rates = new QGroupBox(this);
    binding_.bind(st_.Frame1, rates);
    auto* rateGrid = new QGridLayout(rates);
    for (int i = 0; i < 8; ++i)
        rateGrid->addWidget(option(st_.baud[static_cast<size_t>(i)], rates, [this, i] { baud_Click(st_, i); }), i / 4,
                            i % 4);
    layout->addWidget(rates);

    auto* flows = new QGroupBox(this);
    binding_.bind(st_.Frame5, flows);
    auto* flowRow = new QHBoxLayout(flows);
    Control* flowControls[4] = {&st_.NoFlow, &st_.XonFlow, &st_.RTSFlow, &st_.BothFlow};
    for (int i = 0; i < 4; ++i) flowRow->addWidget(option(*flowControls[i], flows, [this, i] { flow_Click(st_, i); }));
    layout->addWidget(flows);

    auto* at = new QGroupBox(this);
    binding_.bind(st_.FrameAT, at);
    auto* atRow = new QHBoxLayout(at);
    atset_ = new QComboBox(at);
    atset_->setObjectName(QStringLiteral("ATset"));
    atset_->setEditable(true);
    atset_->setInsertPolicy(QComboBox::NoInsert);
    showList();
    connect(atset_, qOverload<int>(&QComboBox::activated), this, [this](int index) {
        ATset_Click(st_, index);
        atset_->setEditText(qs(st_.ATsetText));
    });
    atRow->addWidget(atset_, 1);
    layout->addWidget(at);

    auto* retry = new QGroupBox(this);
    binding_.bind(st_.Frame_retry, retry);
    auto* retryRow = new QHBoxLayout(retry);
    auto* retryButton = new QPushButton(retry);
    retryButton->setObjectName(QStringLiteral("RetryLabel"));
    retryButton->setFlat(true);
    binding_.bind(st_.RetryLabel, retryButton);
    connect(retryButton, &QPushButton::clicked, this, [this] { RetryLabel_Click(st_); });
    retryRow->addWidget(retryButton);
    auto* unit = new QLabel(retry);
    binding_.bind(st_.Label1, unit);
    retryRow->addWidget(unit);
    retryRow->addStretch(1);
    layout->addWidget(retry);

    auto* buttons = new QHBoxLayout();
    auto button = [this, buttons](Control& c, auto onClick) {
        auto* b = new QPushButton(this);
        binding_.bind(c, b);
        connect(b, &QPushButton::clicked, this, onClick);
        buttons->addWidget(b);
        return b;
    };
    button(st_.shokiset, [this] {
        shokiset_Click(m_, f_, s_, st_);
        showList();
    });
    buttons->addStretch(1);
    button(st_.OKButton, [this] { ok(); })->setDefault(true);
    button(st_.CancelButton, [this] { reject(); });
    layout->addLayout(buttons);
    binding_.bindTitle(st_.window, this);
}

void ConfigScrn::showList() {
    atset_->clear();
    for (const std::string& entry : st_.ATset) atset_->addItem(qs(entry));
    atset_->setEditText(qs(st_.ATsetText));
}

void ConfigScrn::ok() {
    st_.ATsetText = atset_->currentText().toStdString();
    OKButton_Click(m_, f_, s_, st_);
    afterEvent();
}

void ConfigScrn::reject() {
    CancelButton_Click(st_);
    QDialog::reject();
}

void ConfigScrn::afterEvent() {
    if (st_.Unloaded) accept();
}

}  // namespace vt
