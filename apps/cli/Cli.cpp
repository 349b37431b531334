#include "widgets/ImageCanvas.h"
#include "Cli.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <QFile>

#include "logfiles/LogFile.h"
#include "shell/MainformProcs.h"
#include "shell/Startup.h"

namespace vt::cli {

bool parseArgs(int argc, char** argv, const std::set<std::string>& withValue, Args& out, std::string* error) {
    for (int i = 0; i < argc; ++i) {
        std::string a = argv[i];
        if (a.size() > 1 && a[0] == '-' && !(a.size() > 1 && (std::isdigit(static_cast<unsigned char>(a[1])) != 0))) {
            std::string name = a;
            std::string value;
            bool inlineValue = false;
            size_t eq = a.find('=');
            if (eq != std::string::npos) {
                name = a.substr(0, eq);
                value = a.substr(eq + 1);
                inlineValue = true;
            }
            if (withValue.count(name)) {
                if (!inlineValue) {
                    if (i + 1 >= argc) {
                        if (error) *error = "option " + name + " needs a value";
                        return false;
                    }
                    value = argv[++i];
                }
                out.values[name] = value;
            } else {
                out.flags.insert(name);
            }
        } else {
            out.positional.push_back(a);
        }
    }
    return true;
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
