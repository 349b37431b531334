#include "shell/ui/mainform.h"

#include <cmath>
#include <cstdlib>

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStatusBar>
#include <QVBoxLayout>

#include "logfiles/ui/FileWindows.h"
#include "replay/ReplayRuns.h"
#include "shell/MainformProcs.h"
#include "shell/ui/CourseMenus.h"
#include "shell/ui/GraphMenus.h"
#include "shell/ui/LinkMenus.h"
#include "shell/ui/LogMenus.h"
#include "shell/ui/PanelLayout.h"
#include "shell/ui/ParamMenus.h"
#include "shell/ui/ReplayMenus.h"
#include "widgets/Gauge.h"

namespace vt {

double pictureScale() {
    if (const char* z = std::getenv("VELTRA_ZOOM")) {
        double v = std::atof(z);
        if (v >= 0.5 && v <= 4) return v;
    }
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return 1.0;
    QSize avail = screen->availableSize();
    for (double z : {2.0, 1.5}) {
        // The window needs about 770 x 490 picture pixels plus its menus, labels and margins.
        if (avail.width() >= 770 * z + 40 && avail.height() >= 490 * z + 150) return z;
    }
    return 1.0;
}

// ---- Form2 ------------------------------------------------------------------------------

Form2::Form2(Module1& m, Form2State& state, QWidget* parent) : QDialog(parent), m_(m), state_(state) {
    setModal(false);
    setWindowFlag(Qt::WindowStaysOnTopHint);  // stays in front while a wait lasts
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(this);
    label->setMinimumWidth(280);
    auto* cancel = new QPushButton(this);
    layout->addWidget(label);
    layout->addWidget(cancel, 0, Qt::AlignCenter);
    state_.window.Visible = false;
    binder_.bindTitle(state_.window, this);
    binder_.listen(state_.window, [this] {
        if (isHidden() == state_.window.Visible) setVisible(state_.window.Visible);
    });
    binder_.bind(state_.Label1, label);
    binder_.bind(state_.Command1, cancel);
    connect(cancel, &QPushButton::clicked, this, [this] { Command1_Click(m_, state_); });
}

void Form2::showEvent(QShowEvent* e) {
    if (!m_.UiFontName.empty()) setFont(QFont(qs(m_.UiFontName)));
    Form2_Activate(m_, state_);
    QDialog::showEvent(e);
}

void Form2::closeEvent(QCloseEvent* e) {
    // The close box cancels the wait like the button.
    Command1_Click(m_, state_);
    QDialog::closeEvent(e);
}

// ---- mainform ---------------------------------------------------------------------------

mainform::mainform(Module1& m, MainformState& f, Services& s) : m_(m), f_(f), s_(s) {
    setWindowTitle(QStringLiteral("VeltraTerminal            Ver 3.07E"));
    buildMenus();
    buildCentre();
    form2_ = new Form2(m_, f_.Form2, this);
    paraDisp_ = new para_disp(m_, f_.ParaDisp, this);
    timer1_ = std::make_unique<QtTimerDriver>(f_.Timer1);
    retryTimer_ = std::make_unique<QtTimerDriver>(f_.RETRY_TIMER);
    // The hourglass while the program works.
    binder_.listen(f_.BusyPointer, [this] {
        if (f_.BusyPointer.Checked == busyShown_) return;
        busyShown_ = f_.BusyPointer.Checked;
        if (busyShown_)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        else
            QApplication::restoreOverrideCursor();
    });
    installLogMenus(*this, m_, f_, s_);
    installLinkMenus(*this, m_, f_, s_);
    installCourseMenus(*this, m_, f_, s_);
    installGraphMenus(*this, m_, f_, s_);
    installReplayMenus(*this, m_, f_, s_);
    installParamMenus(*this, m_, f_, s_);
}

mainform::~mainform() = default;

void mainform::load() {
    Form_Load(m_, f_, s_);
    applyFont();
}

void mainform::applyFont() {
    if (m_.UiFontName.empty()) return;
    QFont font(qs(m_.UiFontName));
    font.setPointSizeF(QApplication::font().pointSizeF());
    menuBar()->setFont(font);
    for (QMenu* menu : menuBar()->findChildren<QMenu*>()) menu->setFont(font);
    for (QWidget* w : centralWidget()->findChildren<QWidget*>()) {
        if (qobject_cast<QPushButton*>(w) || qobject_cast<QGroupBox*>(w) || qobject_cast<QRadioButton*>(w) ||
            qobject_cast<QCheckBox*>(w))
            w->setFont(font);
    }
    statusBar()->setFont(font);
}

PictureBox* mainform::picture(int n) const { return n == 1 ? pic1_ : n == 2 ? pic2_ : pic3_; }

QAction* mainform::action(const Control& c) const {
    auto it = actions_.find(&c);
    return it == actions_.end() ? nullptr : it->second;
}

QPushButton* mainform::button(const Control& c) const {
    auto it = buttons_.find(&c);
    return it == buttons_.end() ? nullptr : it->second;
}

void mainform::setHandler(Control& c, std::function<void()> handler) { handlers_[&c] = std::move(handler); }

void mainform::trigger(Control& c) {
    if (!c.Enabled) return;
    auto it = handlers_.find(&c);
    if (it != handlers_.end() && it->second) it->second();
}

void mainform::bindAction(Control& c, QAction* a) {
    actions_[&c] = a;
    binder_.bind(c, a);
    connect(a, &QAction::triggered, this, [this, &c] { trigger(c); });
}

QAction* mainform::addAction(QMenu* menu, Control& c) {
    QAction* a = menu->addAction(QString());
    bindAction(c, a);
    return a;
}

QPushButton* mainform::addButton(Control& c, QWidget* parent) {
    auto* b = new QPushButton(parent);
    buttons_[&c] = b;
    binder_.bind(c, b);
    connect(b, &QPushButton::clicked, this, [this, &c] { trigger(c); });
    return b;
}

QLabel* mainform::addLabel(Control& c, QWidget* parent, const char* style) {
    auto* l = new QLabel(parent);
    if (style) l->setStyleSheet(QString::fromLatin1(style));
    binder_.bind(c, l);
    return l;
}

void mainform::buildMenus() {
    QMenuBar* bar = menuBar();
    auto menuOf = [this, bar](Control& c) {
        QMenu* menu = bar->addMenu(QString());
        bindAction(c, menu->menuAction());
        return menu;
    };
    QMenu* file = menuOf(f_.MFile);
    addAction(file, f_.MOpenLog);
    addAction(file, f_.MCloseLog);
    addAction(file, f_.form_print);
    file->addSeparator();
    addAction(file, f_.MFileExit);

    QMenu* port = menuOf(f_.MPort);
    addAction(port, f_.mopen)->setCheckable(true);
    f_.mopen.notify();
    port->addSeparator();
    addAction(port, f_.para_tx);
    addAction(port, f_.tx_start);
    addAction(port, f_.tx_stop);
    addAction(port, f_.Lap_comand);
    QMenu* lap = new QMenu(port);
    action(f_.Lap_comand)->setMenu(lap);
    addAction(lap, f_.tx_clr);
    addAction(lap, f_.Corse_trans);
    addAction(lap, f_.Rate_S);
    addAction(lap, f_.Rate_M);
    addAction(lap, f_.Rate_L);
    port->addSeparator();
    addAction(port, f_.One_Down);
    addAction(port, f_.Fast_Down);
    port->addSeparator();
    addAction(port, f_.MSettings1);
    addAction(port, f_.tel_no_set);

    QMenu* sub = menuOf(f_.Sub_Port);
    addAction(sub, f_.Mopen_sub)->setCheckable(true);
    f_.Mopen_sub.notify();
    addAction(sub, f_.MSettings2);

    QMenu* lists = menuOf(f_.list_disp);
    addAction(lists, f_.all_lap_list);
    addAction(lists, f_.lap_seg_list);
    addAction(lists, f_.seg_list);
    addAction(lists, f_.para_list);

    QMenu* course = menuOf(f_.Corse_com);
    addAction(course, f_.Corse_in);
    addAction(course, f_.Free_In);
    addAction(course, f_.Corse_edit);

    QMenu* compare = menuOf(f_.Ref_com);
    addAction(compare, f_.Ref_best);
    addAction(compare, f_.Ref_file);
    addAction(compare, f_.Ref_clear);
    compare->addSeparator();
    addAction(compare, f_.Ref_paint)->setCheckable(true);
    f_.Ref_paint.notify();
    addAction(compare, f_.Ref_list)->setCheckable(true);
    f_.Ref_list.notify();

    // The parameter editor is a menu-bar entry of its own.
    QAction* para = bar->addAction(QString());
    bindAction(f_.MAIN_PARA_SET, para);

    setHandler(f_.MFileExit, [this] { MFileExit_Click(); });
}

void mainform::buildCentre() {
    const double z = imageCanvas(*f_.Picture1).scale();
    auto* centre = new QWidget(this);
    setCentralWidget(centre);
    auto* grid = new QGridLayout(centre);
    grid->setContentsMargins(6, 6, 6, 6);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(6);

    pic1_ = new PictureBox(imageCanvas(*f_.Picture1), centre);
    pic2_ = new PictureBox(imageCanvas(*f_.Picture2), centre);
    pic3_ = new PictureBox(imageCanvas(*f_.Picture3), centre);
    for (PictureBox* p : {pic1_, pic2_, pic3_}) p->setObjectName(QStringLiteral("Picture"));
    pic1_->setObjectName(QStringLiteral("Picture1"));
    pic2_->setObjectName(QStringLiteral("Picture2"));
    pic3_->setObjectName(QStringLiteral("Picture3"));

    // Value-panel gauges and labels sit on the panel picture at its pixel coordinates.
    QFont valueFont(QStringLiteral("DejaVu Sans Mono"));
    valueFont.setBold(true);
    valueFont.setPixelSize(static_cast<int>(std::lround(10 * z)));
    for (const auto& place : kGaugePlaces) {
        auto* g = new Gauge(f_.*place.gauge, place.style, pic3_);
        g->setGeometry(static_cast<int>(place.x * z), static_cast<int>(place.y * z), static_cast<int>(place.w * z),
                       static_cast<int>(place.h * z));
        if (place.zeroAt >= 0) g->setZeroAt(place.zeroAt);
        gauges_.push_back(g);
    }
    for (const auto& place : kPanelLabels) {
        QLabel* l = addLabel(f_.*place.label, pic3_, "color: #101010; background: transparent;");
        l->setFont(valueFont);
        l->setAlignment(place.align);
        l->setGeometry(static_cast<int>(place.x * z), static_cast<int>(place.y * z), static_cast<int>(place.w * z),
                       static_cast<int>(place.h * z));
    }
    for (const auto& place : kPanelLabels) (f_.*place.label).setVisible(false);

    // The car marker over the course, the analysis cursor over the graph.
    QLabel* car = addLabel(f_.car, pic1_, "background: #e02020; border: 1px solid #600000; border-radius: 3px;");
    car->resize(static_cast<int>(7 * z), static_cast<int>(7 * z));
    binder_.listen(f_.car,
                   [this, car, z] { car->move(static_cast<int>(f_.car.Left * z), static_cast<int>(f_.car.Top * z)); });
    f_.car.setVisible(false);
    f_.car.notify();
    QLabel* cursor = addLabel(f_.Label_Cur, pic2_, "background: #d01010;");
    cursor->setGeometry(0, static_cast<int>(30 * z), std::max(2, static_cast<int>(z)), static_cast<int>(168 * z));
    binder_.listen(f_.Label_Cur,
                   [this, cursor, z] { cursor->move(static_cast<int>(f_.Label_Cur.Left * z), cursor->y()); });
    f_.Label_Cur.setVisible(false);
    f_.Label_Cur.notify();

    // Left column under the course: the log, the lap and its times, the line controls.
    auto* info = new QWidget(centre);
    auto* infoLayout = new QVBoxLayout(info);
    infoLayout->setContentsMargins(0, 0, 0, 0);
    infoLayout->setSpacing(4);
    infoLayout->addWidget(addLabel(f_.namae, info, "font-weight: bold; font-size: 13pt;"));
    infoLayout->addWidget(addLabel(f_.hiniti, info, "color: #404040;"));

    auto* times = new QGridLayout();
    times->setHorizontalSpacing(8);
    times->setVerticalSpacing(2);
    auto caption = [info](const char* text) {
        auto* l = new QLabel(QString::fromLatin1(text), info);
        l->setStyleSheet(QStringLiteral("color: #505050;"));
        return l;
    };
    const char* big = "font-family: 'DejaVu Sans Mono'; font-weight: bold; font-size: 16pt;";
    const char* mid = "font-family: 'DejaVu Sans Mono'; font-weight: bold; font-size: 12pt;";
    times->addWidget(caption("Lap"), 0, 0);
    times->addWidget(addLabel(f_.lap_no, info, big), 0, 1);
    times->addWidget(addLabel(f_.lap_time, info, big), 0, 2);
    times->addWidget(addLabel(f_.seg_d, info, mid), 1, 1);
    times->addWidget(addLabel(f_.SEG_TIME, info, mid), 1, 2);
    times->addWidget(caption("Pit in"), 2, 0);
    times->addWidget(addLabel(f_.PIT_IN_TIME, info, mid), 2, 1);
    times->addWidget(caption("Stop"), 3, 0);
    times->addWidget(addLabel(f_.STOP_TIME, info, mid), 3, 1);
    times->addWidget(caption("Time"), 4, 0);
    times->addWidget(addLabel(f_.TAIME_MADO, info, mid), 4, 1);
    times->setColumnStretch(2, 1);
    infoLayout->addLayout(times);

    auto* line = new QGroupBox(info);
    binder_.bind(f_.Frame2, line);
    auto* lineLayout = new QGridLayout(line);
    lineLayout->addWidget(addButton(f_.dial_up, line), 0, 0);
    lineLayout->addWidget(addButton(f_.dial_down, line), 0, 1);
    const char* modes[3] = {"Open", "Real", "Logging"};
    auto* modeRow = new QHBoxLayout();
    for (int i = 0; i < 3; ++i) {
        auto* r = new QRadioButton(line);
        r->setCheckable(true);
        f_.Option1[static_cast<size_t>(i)].Caption = modes[i];
        f_.Option1[static_cast<size_t>(i)].Enabled = false;
        binder_.bind(f_.Option1[static_cast<size_t>(i)], r);
        r->setAttribute(Qt::WA_TransparentForMouseEvents);  // they only show the stream's kind
        modeRow->addWidget(r);
    }
    lineLayout->addLayout(modeRow, 1, 0, 1, 2);
    infoLayout->addWidget(line);

    auto* replay = new QGroupBox(info);
    binder_.bind(f_.Frame3, replay);
    auto* replayLayout = new QHBoxLayout(replay);
    replayLayout->addWidget(addButton(f_.Test_run, replay));
    replayLayout->addWidget(addButton(f_.Analize, replay));
    replayLayout->addWidget(addButton(f_.Test_stop, replay));
    infoLayout->addWidget(replay);

    auto* sub = new QGroupBox(info);
    binder_.bind(f_.Frame4, sub);
    auto* subLayout = new QHBoxLayout(sub);
    subLayout->addWidget(addButton(f_.sub_up, sub));
    subLayout->addWidget(addButton(f_.sub_down, sub));
    infoLayout->addWidget(sub);

    auto* checks = new QHBoxLayout();
    // Check boxes: the model takes the new value before its handler runs.
    auto checkBox = [this, info, checks](Control& c, const char* caption) {
        auto* box = new QCheckBox(info);
        c.Caption = caption;
        binder_.bind(c, box);
        connect(box, &QCheckBox::clicked, this, [this, &c](bool on) {
            c.Checked = on;
            trigger(c);
        });
        checks->addWidget(box);
    };
    checkBox(f_.Check1, "mile");
    checkBox(f_.ANGL_CHK, "ANGL");
    checks->addStretch(1);
    auto* avrCaption = new QLabel(QStringLiteral("Zero offset"), info);
    avrCaption->setStyleSheet(QStringLiteral("color: #505050;"));
    avrCaption->setToolTip(QStringLiteral("Click the course picture to switch the zero-offset correction"));
    checks->addWidget(avrCaption);
    checks->addWidget(addLabel(f_.CHK_AVR, info, "font-weight: bold;"));
    infoLayout->addLayout(checks);
    infoLayout->addStretch(1);

    // Graph buttons to the right of the graph.
    auto* graphButtons = new QWidget(centre);
    auto* gb = new QVBoxLayout(graphButtons);
    gb->setContentsMargins(0, 0, 0, 0);
    gb->addWidget(addLabel(f_.Label6, graphButtons, "font-weight: bold;"));
    const std::pair<Control*, const char*> graphCaptions[] = {
        {&f_.grf_3, "Speed rpm"},   {&f_.grf_4, "Lat G Steer Throt"}, {&f_.grf_5, "Temp  A/F Press"},
        {&f_.grf_7, "SpeedI.L G"},  {&f_.grf_8, "Time diff"},         {&f_.grf_2, "Course List"},
        {&f_.grf_6, " rpm  Histo"},
    };
    for (const auto& [control, text] : graphCaptions) {
        control->Caption = text;
        if (control == &f_.grf_2) gb->addSpacing(12);
        gb->addWidget(addButton(*control, graphButtons));
    }
    gb->addStretch(1);

    grid->addWidget(pic1_, 0, 0, Qt::AlignTop | Qt::AlignLeft);
    grid->addWidget(pic3_, 0, 1, 1, 2, Qt::AlignTop | Qt::AlignLeft);
    grid->addWidget(info, 1, 0);
    grid->addWidget(pic2_, 1, 1, Qt::AlignTop | Qt::AlignLeft);
    grid->addWidget(graphButtons, 1, 2);
    grid->setColumnStretch(3, 1);
    grid->setRowStretch(2, 1);

    // Status line: the status text and the link lamp.
    QLabel* status = addLabel(f_.Label1, this);
    status->setMinimumWidth(400);
    statusBar()->addWidget(status, 1);
    QLabel* lamp = addLabel(f_.tuusin_state, this, "padding: 1px 8px; border: 1px solid #808080;");
    f_.tuusin_state.setBackColor(rgb(192, 192, 192));
    statusBar()->addPermanentWidget(lamp);
}

void mainform::MFileExit_Click() {
    vt::MFileExit_Click(m_, f_);
    close();
}

void mainform::closeEvent(QCloseEvent* e) {
    if (Form_Unload(m_, f_, s_)) {
        e->ignore();  // Abort: the data still waits to be sent
        return;
    }
    unloaded_ = true;
    // A test or analysis run waits inside its button's handler: let it end.
    Test_stop_Click(m_, f_);
    form2_->hide();
    e->accept();
    QApplication::quit();
}

}  // namespace vt
