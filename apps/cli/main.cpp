// veltra: the terminal's procedures, headless. See README.md and docs/veltra-cli.md.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <QGuiApplication>

#include "Cli.h"
#include "platform/UiServices.h"

namespace {

void usage(FILE* to) {
    std::fprintf(to, "usage: veltra COMMAND [options]\n\ncommands:\n");
    for (const vt::cli::CommandSpec* c : vt::cli::commands()) std::fprintf(to, "  %-13s %s\n", c->name, c->synopsis);
    std::fprintf(to, "\n'veltra COMMAND --help' describes each command; 'veltra --version' says the version.\n");
}

}  // namespace

int main(int argc, char** argv) {
    // Headless: pictures are drawn off screen.
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // A file-size limit makes a write fail with an error the command reports, rather than
    // ending the tool halfway.
    std::signal(SIGXFSZ, SIG_IGN);
    vt::quietRuntimeDir();
    if (argc < 2) {
        usage(stderr);
        return 2;
    }
    if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "help") == 0) {
        usage(stdout);
        return 0;
    }
    if (std::strcmp(argv[1], "--version") == 0) {
        std::printf("veltra %s\n", VELTRA_VERSION);
        return 0;
    }
    for (const vt::cli::CommandSpec* c : vt::cli::commands()) {
        if (std::strcmp(argv[1], c->name) == 0) {
            int qtArgc = 1;
            QGuiApplication app(qtArgc, argv);
            return vt::cli::runCommand(*c, argc - 2, argv + 2);
        }
    }
    std::fprintf(stderr, "veltra: unknown command '%s'\n", argv[1]);
    usage(stderr);
    return 2;
}
