#include "shell/Main.h"

#include <cstdio>
#include <cstring>
#include <string>

#include <QApplication>
#include <QDir>
#include <QTimer>

#include "platform/Clock.h"
#include "platform/UiServices.h"
#include "shell/Startup.h"
#include "shell/mainform.h"

namespace vt {

int Main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("VeltraTerminal"));
    std::string screenshot;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--screenshot") == 0 && i + 1 < argc) {
            screenshot = argv[++i];
        } else if (std::strcmp(argv[i], "--help") == 0) {
            std::printf(
                "usage: veltra-terminal [--screenshot FILE.png]\n"
                "Starts the terminal in the current folder, which holds LANG.TXT and the log, corse and PARA\n"
                "folders. --screenshot renders the main window to a PNG after start-up and ends.\n");
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

    auto f = makeMainformState(pictureScale());
    mainform window(*m, *f, services);
    if (auto* qtUi = dynamic_cast<QtUi*>(ui.get())) qtUi->setParent(&window);
    window.show();
    window.load();
    m->RetryPending = 0;

    if (!screenshot.empty()) {
        QApplication::processEvents();
        bool ok = window.grab().save(QString::fromStdString(screenshot), "PNG");
        if (!ok) std::fprintf(stderr, "veltra-terminal: cannot write %s\n", screenshot.c_str());
        return ok ? 0 : 1;
    }
    return QApplication::exec();
}

}  // namespace vt
