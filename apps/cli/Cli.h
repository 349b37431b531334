// The veltra command-line tool: the terminal's procedures run headless.
//
// Every command starts from the state the terminal has right after start-up (its loading
// run over a fresh state, the start-up course included), then does what the terminal does,
// so its output is what the terminal shows or writes at that point.
#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "platform/Services.h"
#include "platform/UiServices.h"
#include "state/MainformState.h"
#include "state/Module1.h"

namespace vt::cli {

struct CommandSpec;

// Parsed arguments: options that take a value, flags, and the rest in order.
struct Args {
    std::vector<std::string> positional;
    std::map<std::string, std::string> values;
    std::set<std::string> flags;
    const CommandSpec* spec = nullptr;
    bool has(const std::string& name) const { return flags.count(name) || values.count(name); }
    std::string value(const std::string& name, const std::string& otherwise = {}) const {
        auto it = values.find(name);
        return it == values.end() ? otherwise : it->second;
    }
    // A usage mistake: "veltra: COMMAND: text" and the command's synopsis on standard error;
    // returns exit status 2.
    int usage(const std::string& text) const;
};

// One command: its name, the synopsis line `veltra --help` lists, its --help text (which starts
// with "usage: veltra NAME"), the options it takes and how many plain arguments.
struct CommandSpec {
    const char* name;
    const char* synopsis;
    const char* help;
    std::set<std::string> valueOptions;  // options followed by a value (not empty)
    std::set<std::string> flags;         // options without a value
    size_t minArgs = 0, maxArgs = 0;
    const char* argsName = "";  // what the plain arguments are, for "missing ..."
    int (*run)(const Args& args) = nullptr;
};

// Parses argv (after the command name) for the command and runs it. --help (or -h) anywhere
// prints the help and exits 0; an unknown option, an option without its value (or with an
// empty one) and a wrong number of arguments are usage mistakes (exit 2).
int runCommand(const CommandSpec& command, int argc, char** argv);

// Every command, in the order `veltra --help` lists them.
const std::vector<const CommandSpec*>& commands();

// A whole number from an option text; false when it is not one.
bool toInt(const std::string& text, long& out);

// The terminal's state right after start-up, without a window.
class Session {
    // Declared first: the references below are bound to these.
    std::unique_ptr<Module1> mp_;
    std::unique_ptr<MainformState> fp_;
    VirtualClock clock_;
    VirtualPump pump_{clock_};
    NonInteractiveUi ui_;
    Services services_{ui_, clock_, pump_};
    std::string workDir_;

  public:
    explicit Session(double pictureScale = 1.0);
    ~Session();
    Module1& m;
    MainformState& f;
    Services& s;
    // Loads a log as the log-file menu does; prints a one-line message on standard error
    // and returns false when the file cannot be loaded. What a load had to leave out is
    // said on standard error too.
    bool loadLog(const std::string& path);
};

// Prints "veltra: <text>" on standard error and returns exit status 1.
int fail(const std::string& text);

// A lap of a log the command works on: LOG --lap N, and the --png and --points options.
struct LapRequest {
    std::string log, png;
    long lap = 0;
    bool points = false;
};
// Takes LOG --lap N [--png FILE] [--points]; returns 0 to go on, else the exit status.
int lapRequest(const Args& args, LapRequest& req);
// Loads the log and chooses the lap as the lap list does; a lap that is not there, cannot be
// located or has no course length fails with one line. Returns 0, or the exit status.
int chooseLap(const char* name, Session& session, const LapRequest& req);
// Writes a picture to a PNG file; returns 0, or 1 with one line when it cannot.
int savePicture(const char* name, Canvas& pic, const std::string& path);

// The commands, defined beside their code.
extern const CommandSpec kLapsCommand, kSegmentsCommand, kSegmentCommand, kParamsCommand, kExportCommand;
extern const CommandSpec kGenerateCommand;
extern const CommandSpec kCourseCommand, kCourselistCommand, kGraphCommand, kCoursedataCommand;
extern const CommandSpec kMonitorCommand, kDownloadCommand, kLoggerParamsCommand, kSendCourseCommand;
extern const CommandSpec kHistogramCommand, kReportCommand, kCompareCommand;

}  // namespace vt::cli
