#include "Cli.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <QFile>

#include "course/LapChoice.h"
#include "logdata/Decode.h"
#include "logfiles/LogFile.h"
#include "shell/MainformProcs.h"
#include "shell/Startup.h"
#include "widgets/ImageCanvas.h"

namespace vt::cli {

namespace {

bool isOption(const std::string& a) {
    // "-5" is a number, not an option.
    return a.size() > 1 && a[0] == '-' && std::isdigit(static_cast<unsigned char>(a[1])) == 0;
}

}  // namespace

int Args::usage(const std::string& text) const {
    const std::string help = spec ? spec->help : "usage: veltra COMMAND\n";
    const std::string synopsis = help.substr(0, help.find('\n'));
    std::fprintf(stderr, "veltra: %s: %s\n%s\n('veltra %s --help' tells more)\n", spec ? spec->name : "?", text.c_str(),
                 synopsis.c_str(), spec ? spec->name : "COMMAND");
    return 2;
}

int runCommand(const CommandSpec& command, int argc, char** argv) {
    Args args;
    args.spec = &command;
    for (int i = 0; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            std::fputs(command.help, stdout);
            return 0;
        }
    }
    for (int i = 0; i < argc; ++i) {
        const std::string a = argv[i];
        if (!isOption(a)) {
            args.positional.push_back(a);
            continue;
        }
        std::string name = a, value;
        const size_t eq = a.find('=');
        const bool inlineValue = eq != std::string::npos;
        if (inlineValue) {
            name = a.substr(0, eq);
            value = a.substr(eq + 1);
        }
        if (command.valueOptions.count(name)) {
            if (!inlineValue) {
                if (i + 1 >= argc) return args.usage("option " + name + " needs a value");
                value = argv[++i];
            }
            if (value.empty()) return args.usage("option " + name + " needs a value, not an empty text");
            args.values[name] = value;
        } else if (command.flags.count(name) && !inlineValue) {
            args.flags.insert(name);
        } else {
            return args.usage("unknown option " + name);
        }
    }
    if (args.positional.size() < command.minArgs)
        return args.usage(std::string("missing ") + (args.positional.empty() ? command.argsName : "argument"));
    if (args.positional.size() > command.maxArgs) return args.usage("too many arguments");
    return command.run(args);
}

const std::vector<const CommandSpec*>& commands() {
    static const std::vector<const CommandSpec*> all = {
        &kLapsCommand,         &kSegmentsCommand,   &kSegmentCommand,    &kParamsCommand,  &kExportCommand,
        &kGenerateCommand,     &kCourseCommand,     &kCourselistCommand, &kGraphCommand,   &kHistogramCommand,
        &kReportCommand,       &kCompareCommand,    &kCoursedataCommand, &kMonitorCommand, &kDownloadCommand,
        &kLoggerParamsCommand, &kSendCourseCommand,
    };
    return all;
}

bool toInt(const std::string& text, long& out) {
    if (text.empty()) return false;
    char* end = nullptr;
    long v = std::strtol(text.c_str(), &end, 10);
    if (end == nullptr || *end != '\0') return false;
    out = v;
    return true;
}

int fail(const std::string& text) {
    std::fprintf(stderr, "veltra: %s\n", text.c_str());
    return 1;
}

int lapRequest(const Args& args, LapRequest& req) {
    if (!args.values.count("--lap")) return args.usage("--lap N is needed");
    if (!toInt(args.value("--lap"), req.lap)) return args.usage("--lap needs a whole number");
    req.log = args.positional[0];
    req.png = args.value("--png");
    req.points = args.has("--points");
    return 0;
}

int chooseLap(const char* name, Session& session, const LapRequest& req) {
    if (!session.loadLog(req.log)) return 1;
    Module1& m = session.m;
    const std::string lapText = "lap " + std::to_string(req.lap);
    if (req.lap < m.LapFirst || req.lap > m.LapLast || req.lap < 0 || req.lap > kMaxLap) {
        return fail(std::string(name) + ": " + lapText + " is not in " + req.log + " (laps " +
                    std::to_string(m.LapFirst) + ".." + std::to_string(m.LapLast) + ")");
    }
    // Checked here first so that a failure is one line of ours, not the terminal's message box.
    m.LapCur = static_cast<int16_t>(req.lap);
    if (!locate_lap(m)) return fail(std::string(name) + ": " + lapText + " cannot be located in " + req.log);
    long pulses = 0;
    for (int e = 1; e <= 15 && lapWord(m, m.LapCur, e, 0) != 0; ++e) pulses += lapWord(m, m.LapCur, e, 20);
    if (pulses == 0) return fail(std::string(name) + ": " + lapText + " has no course length");
    if (!choose_lap(m, session.f, session.s, static_cast<int>(req.lap))) {
        return fail(std::string(name) + ": " + lapText + " cannot be located in " + req.log);
    }
    return 0;
}

int savePicture(const char* name, Canvas& pic, const std::string& path) {
    auto* image = dynamic_cast<ImageCanvas*>(&pic);
    if (!image || !image->savePng(path)) return fail(std::string(name) + ": cannot write " + path);
    return 0;
}

namespace {

// The language table: LANG.TXT of the current folder when there is one, else the English
// one built into the tool.
void loadLanguage(Module1& m) {
    std::string fail;
    if (std::filesystem::exists("LANG.TXT") && lang_load(m, "LANG.TXT", &fail)) return;
    QFile builtIn(QStringLiteral(":/lang/en/LANG.TXT"));
    if (builtIn.open(QIODevice::ReadOnly)) lang_parse(m, builtIn.readAll().toStdString(), &fail);
}

}  // namespace

Session::Session(double pictureScale)
    : mp_(makeModule1()), fp_(makeMainformState(imageCanvases(pictureScale))), m(*mp_), f(*fp_), s(services_) {
    // The tool must not leave log/corse/PARA folders wherever it runs: its start-up works in a
    // folder of its own.
    std::string tmpl = (std::filesystem::temp_directory_path() / "veltra-cli-XXXXXX").string();
    if (char* made = mkdtemp(tmpl.data())) workDir_ = made;
    set_folders(m, workDir_.empty() ? std::filesystem::current_path().string() : workDir_);
    loadLanguage(m);
    Form_Load(m, f, s);
}

Session::~Session() {
    if (!workDir_.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(workDir_, ec);
    }
}

bool Session::loadLog(const std::string& path) {
    LoadReport report;
    std::string error;
    if (!std::filesystem::is_regular_file(path)) {
        fail(path + ": no such file");
        return false;
    }
    if (!log_open_path(m, f, s, path, &report, &error)) {
        fail(path + ": " + error);
        return false;
    }
    if (!report.note().empty()) std::fprintf(stderr, "veltra: %s: %s\n", path.c_str(), report.note().c_str());
    return true;
}

}  // namespace vt::cli
