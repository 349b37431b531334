#include "shell/ui/Main.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <QApplication>
#include <QDir>
#include <QTimer>

#include "course/LapChoice.h"
#include "course/RefChoice.h"
#include "display/Graphs.h"
#include "display/Panel.h"
#include "display/Replay.h"
#include "logfiles/LogFile.h"
#include "platform/Clock.h"
#include "platform/UiServices.h"
#include "serial/RealCommPort.h"
#include "shell/MainformProcs.h"
#include "shell/Startup.h"
#include "shell/ui/mainform.h"
#include "widgets/QtUi.h"

namespace vt {

namespace {

// The panel with one record of the chosen lap, as the analysis cursor shows it.
void show_record(Module1& m, MainformState& f, int record) {
    f.AnalyzeOn = kTrue;
    meter_set(m, f);
    grf_refresh(m, f);
    f.TAIME_MADO.setVisible(true);
    f.Label_Cur.setVisible(true);
    analysis_show(m, f, record, 0);
    f.AnalyzeOn = 0;
}

}  // namespace

int Main(int argc, char** argv) {
    quietRuntimeDir();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("VeltraTerminal"));
    std::string screenshot, openLog;
    int lap = 0, record = -1, refLap = 0;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--screenshot") == 0 && i + 1 < argc) {
            screenshot = argv[++i];
        } else if (std::strcmp(argv[i], "--open") == 0 && i + 1 < argc) {
            openLog = argv[++i];
        } else if (std::strcmp(argv[i], "--lap") == 0 && i + 1 < argc) {
            lap = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--record") == 0 && i + 1 < argc) {
            record = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--ref-lap") == 0 && i + 1 < argc) {
            refLap = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--help") == 0) {
            std::printf(
                "usage: veltra-terminal [--open LOG [--lap N [--record R | --ref-lap M]]] [--screenshot FILE.png]\n"
                "Starts the terminal in the current folder, which holds LANG.TXT and the log, corse and PARA\n"
                "folders. --open loads a log at start, --lap chooses one of its laps as the lap list does,\n"
                "--record shows record R of that lap on the gauges as the analysis cursor does, --ref-lap\n"
                "makes lap M the reference lap and shows the time difference;\n"
                "--screenshot renders the main window to a PNG after start-up and ends.\n");
            return 0;
        }
    }

    auto m = makeModule1();
    SystemClock clock;
    QtEventPump pump;
    auto ui = makeUiServices(nullptr);
    Services services{*ui, clock, pump};

    const std::string cur = QDir::currentPath().toStdString();
    set_folders(*m, cur);
    std::string failText;
    if (!lang_load(*m, cur + "/LANG.TXT", &failText)) {
        ui->msgBox(failText, MsgButtons::OK, MsgIcon::Exclamation, "ERROR");
        return 1;
    }
    m->MainPortSet = 0;
    m->SubPortSet = 0;

    auto f = makeMainformState(imageCanvases(pictureScale()));
    f->MSComm1 = std::make_unique<RealCommPort>();
    f->MSComm2 = std::make_unique<RealCommPort>();
    wire_events(*m, *f, services);
    mainform window(*m, *f, services);
    if (auto* qtUi = dynamic_cast<QtUi*>(ui.get())) qtUi->setParent(&window);
    window.show();
    window.load();
    m->RetryPending = 0;

    if (!openLog.empty()) {
        std::string error;
        if (!log_open_path(*m, *f, services, openLog, nullptr, &error)) {
            ui->msgBox(error, MsgButtons::OK, MsgIcon::Exclamation, lang(*m, text::kErrorTitle));
        } else if (lap > 0 && choose_lap(*m, *f, services, lap)) {
            if (record >= 0) {
                show_record(*m, *f, record);
            } else if (refLap > 0) {
                list_reference_pick(*m, *f, services, refLap, true);
                grf_8_button(*m, *f, services);
            }
        }
    }

    if (!screenshot.empty()) {
        QApplication::processEvents();
        bool ok = window.grab().save(QString::fromStdString(screenshot), "PNG");
        if (!ok) std::fprintf(stderr, "veltra-terminal: cannot write %s\n", screenshot.c_str());
        return ok ? 0 : 1;
    }
    return QApplication::exec();
}

}  // namespace vt
