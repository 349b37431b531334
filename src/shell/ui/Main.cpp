#include "shell/ui/Main.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QProcess>
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

const char* helpText() {
    return "usage: veltra-terminal [--sim] [--open LOG [--lap N [--record R | --ref-lap M]]] [--screenshot FILE.png]\n"
           "       veltra-terminal LOG\n"
           "       veltra-terminal --help | --version\n"
           "\n"
           "The desktop terminal of the Veltra lap timer and data logger. It works in the current folder\n"
           "when that holds LANG.TXT, else in $VELTRA_HOME, else in ~/VeltraTerminal; the folder holds\n"
           "LANG.TXT and the log, corse and PARA folders. On the first start the folder is made with the\n"
           "language file of the locale (Japanese for a ja locale, else English).\n"
           "\n"
           "  --sim               start the simulated logger (veltra-logger-sim) on a pseudo-terminal\n"
           "                      and put COM1 on it, for use without a logger; it ends with the terminal\n"
           "  --open LOG, LOG     load a log file at start\n"
           "  --lap N             choose lap N of it as the lap list does\n"
           "  --record R          show record R of that lap on the gauges as the analysis cursor does\n"
           "  --ref-lap M         make lap M of the log the reference lap and show the time difference\n"
           "  --screenshot FILE   render the main window to a PNG after start-up, then end\n"
           "  --help              this text\n"
           "  --version           the program's version\n";
}

// The simulated logger for a terminal with no logger attached: started beside this program on a
// pseudo-terminal that the link `link` names, and COM1 put on it. It says where it is on its
// first line once the link is made, so that line is what to wait for.
bool startSimulatedLogger(QProcess& sim, const std::string& link, std::string* error) {
    const QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/veltra-logger-sim");
    sim.setProgram(program);
    sim.setArguments({QStringLiteral("--link"), QString::fromStdString(link), QStringLiteral("--events")});
    sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    sim.start();
    if (!sim.waitForStarted(5000)) {
        *error = "cannot start " + program.toStdString() + ": " + sim.errorString().toStdString();
        return false;
    }
    while (!sim.canReadLine()) {
        if (!sim.waitForReadyRead(10000)) {
            *error = "the simulated logger did not start (" + program.toStdString() + ")";
            return false;
        }
    }
    qputenv("VELTRA_COM1", QByteArray::fromStdString(link));
    std::fprintf(stderr, "veltra-terminal: the simulated logger is on COM1 (%s)\n", link.c_str());
    return true;
}

// Whether argv[i] is the value of one of Qt's own options ("-platform offscreen", "-style fusion"),
// which QApplication takes out later.
bool qtOptionValue(int argc, char** argv, int i) {
    if (i < 1 || i >= argc) return false;
    const char* before = argv[i - 1];
    return before[0] == '-' && before[1] != '-' && before[1] != '\0';
}

}  // namespace

int Main(int argc, char** argv) {
    std::string screenshot, openLog;
    int lap = 0, record = -1, refLap = 0;
    bool sim = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--screenshot") == 0 && i + 1 < argc) {
            screenshot = argv[++i];
        } else if (std::strcmp(argv[i], "--open") == 0 && i + 1 < argc) {
            openLog = argv[++i];
        } else if (std::strcmp(argv[i], "--lap") == 0 && i + 1 < argc) {
            lap = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--record") == 0 && i + 1 < argc) {
            record = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--sim") == 0) {
            sim = true;
        } else if (std::strcmp(argv[i], "--ref-lap") == 0 && i + 1 < argc) {
            refLap = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(helpText(), stdout);
            return 0;
        } else if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("veltra-terminal %s\n", VELTRA_VERSION);
            return 0;
        } else if (argv[i][0] != '-' && openLog.empty() && !qtOptionValue(argc, argv, i)) {
            // A log given as it is, as the desktop's "open with" passes it.
            openLog = argv[i];
        }
    }
    // Files named relative to where the terminal was started, before it moves to its folder.
    if (!openLog.empty()) openLog = std::filesystem::absolute(openLog).string();
    if (!screenshot.empty()) screenshot = std::filesystem::absolute(screenshot).string();

    quietRuntimeDir();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("VeltraTerminal"));
    QApplication::setApplicationVersion(QStringLiteral(VELTRA_VERSION));

    auto m = makeModule1();
    SystemClock clock;
    QtEventPump pump;
    auto ui = makeUiServices(nullptr);
    Services services{*ui, clock, pump};

    const std::string cur =
        working_folder(QDir::currentPath().toStdString(), qEnvironmentVariable("VELTRA_HOME").toStdString(),
                       QDir::homePath().toStdString());
    std::string failText;
    if (!prepare_working_folder(cur, data_folder(QCoreApplication::applicationDirPath().toStdString()),
                                locale_language(locale_name()), &failText)) {
        ui->msgBox(failText, MsgButtons::OK, MsgIcon::Exclamation, "ERROR");
        return 1;
    }
    QDir::setCurrent(QString::fromStdString(cur));
    set_folders(*m, cur);
    if (!lang_load(*m, cur + "/LANG.TXT", &failText)) {
        ui->msgBox(failText, MsgButtons::OK, MsgIcon::Exclamation, "ERROR");
        return 1;
    }
    m->MainPortSet = 0;
    m->SubPortSet = 0;

    QProcess simulator;
    if (sim) {
        std::string error;
        if (!startSimulatedLogger(simulator, cur + "/logger", &error))
            ui->msgBox(error, MsgButtons::OK, MsgIcon::Exclamation, "ERROR");
    }
    // The simulated logger ends with the terminal, however the terminal ends.
    struct StopSimulator {
        QProcess& p;
        ~StopSimulator() {
            if (p.state() == QProcess::NotRunning) return;
            p.terminate();
            if (!p.waitForFinished(5000)) p.kill();
            p.waitForFinished(1000);
        }
    } stopSimulator{simulator};

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
